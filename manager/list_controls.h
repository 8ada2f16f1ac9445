// The Sites pages' list box with a horizontal extent that follows its
// widest entry, and the column header that never takes the focus.
#pragma once

#include <string>

#include "manager/controls.h"
#include "manager/subclassed_window.h"

namespace tb::manager {

class CHScrollListBox : public ListBox {
  public:
    using ListBox::ListBox;
    // Widen the extent to the new entry, then add or insert.
    int addString(const std::string& text) const;
    int insertString(int index, const std::string& text) const;
    int deleteString(int index) const { return ListBox::deleteString(index); }
    void resetContent() const;
    // After removals: the widest non-empty entry, or 0 without a font.
    void recomputeExtent() const;

  private:
    int textWidth(const std::string& text) const;
};

class CHeaderButton : public SubclassedWindow {
  protected:
    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace tb::manager
