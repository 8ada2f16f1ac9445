// The Time page's owner-drawn controls: CHourStrip, twelve one-hour cells
// painted with the mouse, and CSwatchButton, a reset button showing the
// colours of the hours it sets.
#pragma once

#include <windows.h>

#include <array>
#include <functional>

#include "manager/hours_grid.h"
#include "manager/subclassed_window.h"

namespace tb::manager {

class CHourStrip : public SubclassedWindow {
  public:
    CHourStrip() { loadColours(); }
    void attachStrip(HWND hwnd, std::function<void()> onPainted);
    // Sets the twelve flags and repaints the whole strip.
    void setFlags(const int* flags);
    void getFlags(int* flags) const;
    void loadColours();
    void drawItem(const DRAWITEMSTRUCT& item);

  protected:
    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    enum Colour { kFace, kWindow, kButtonText, kWindowText, kHighlight, kShadow, kColours };
    void layOut(const RECT& item);
    void drawCell(HDC dc, int cell);
    void redraw(const std::vector<int>& cells);
    int cellAt(LPARAM lParam);

    StripPainter painter_;
    std::array<RECT, kCellsPerStrip> cells_{};
    bool laidOut_ = false;
    std::array<COLORREF, kColours> colours_{};
    std::function<void()> onPainted_;
};

class CSwatchButton : public SubclassedWindow {
  public:
    void setColours(COLORREF left, COLORREF right);
    void drawItem(const DRAWITEMSTRUCT& item);

  protected:
    LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    bool pointerInside(LPARAM lParam) const;
    void setPressed(bool pressed);
    COLORREF left_ = 0, right_ = 0;
    bool pressed_ = false;
    bool tracking_ = false;
};

}  // namespace tb::manager
