// A property page base (data exchange on leaving the page and on OK, the
// page's save on OK) and a modal property sheet whose window procedure the
// derived sheet extends.
#pragma once

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <vector>

#include "manager/controls.h"
#include "manager/dialog.h"

namespace tb::manager {

class PropertySheetWindow;

class PropertyPage : public DialogBase {
  public:
    explicit PropertyPage(int templateId) : templateId_(templateId) {}
    PROPSHEETPAGEA sheetPage();
    PropertySheetWindow* sheet() const { return sheet_; }
    bool created() const { return hwnd_ != nullptr; }

  protected:
    bool onNotify(NMHDR* header, LRESULT& result) override;
    virtual bool onSetActive() { return true; }
    // Leaving the page (and the first step of OK): false keeps the parent on it.
    virtual bool onKillActive() { return updateData(true); }
    // The page's part of the sheet's OK.
    virtual void onOK() {}

  private:
    friend class PropertySheetWindow;
    static INT_PTR CALLBACK pageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    int templateId_;
    PropertySheetWindow* sheet_ = nullptr;
};

class PropertySheetWindow {
  public:
    PropertySheetWindow(const char* caption, HWND parent, int startPage)
        : caption_(caption), parent_(parent), startPage_(startPage) {}
    virtual ~PropertySheetWindow() = default;
    PropertySheetWindow(const PropertySheetWindow&) = delete;
    PropertySheetWindow& operator=(const PropertySheetWindow&) = delete;

    void addPage(PropertyPage& page);
    INT_PTR doModal();

    HWND hwnd() const { return hwnd_; }
    int pageCount() const { return static_cast<int>(pages_.size()); }
    PropertyPage& page(int index) const { return *pages_.at(index); }
    void setActivePage(int index) const { PropSheet_SetCurSel(hwnd_, nullptr, index); }
    int activeIndex() const { return tabControl().curSel(); }
    TabCtrl tabControl() const { return TabCtrl(PropSheet_GetTabControl(hwnd_)); }

  protected:
    // The header flags and the icon; set before doModal.
    DWORD flags_ = 0;
    HICON icon_ = nullptr;
    // The sheet window exists and the first page is shown.
    virtual void onInitialized() {}
    // The sheet's window procedure; the default handling is the platform's.
    virtual LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
        return defaultHandling(msg, wParam, lParam);
    }
    LRESULT defaultHandling(UINT msg, WPARAM wParam, LPARAM lParam) {
        return CallWindowProcA(original_, hwnd_, msg, wParam, lParam);
    }

  private:
    static int CALLBACK sheetCallback(HWND hwnd, UINT msg, LPARAM lParam);
    static LRESULT CALLBACK sheetProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static PropertySheetWindow* starting_;

    const char* caption_;
    HWND parent_;
    int startPage_;
    std::vector<PropertyPage*> pages_;
    HWND hwnd_ = nullptr;
    WNDPROC original_ = nullptr;
};

}  // namespace tb::manager
