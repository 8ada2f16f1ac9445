#include "manager/property_sheet.h"

#include "common/com_error.h"

namespace tb::manager {

namespace {
constexpr char kSheetProp[] = "TamberlySheet";
}

// --- PropertyPage -------------------------------------------------------------

PROPSHEETPAGEA PropertyPage::sheetPage() {
    PROPSHEETPAGEA psp{};
    psp.dwSize = sizeof psp;
    psp.dwFlags = PSP_DEFAULT | PSP_HASHELP;
    psp.hInstance = appInstance();
    psp.pszTemplate = MAKEINTRESOURCEA(templateId_);
    psp.pfnDlgProc = pageProc;
    psp.lParam = reinterpret_cast<LPARAM>(this);
    return psp;
}

INT_PTR CALLBACK PropertyPage::pageProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        auto* self =
            reinterpret_cast<PropertyPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    }
    return dispatch(fromWindow(hwnd), hwnd, msg, wParam, lParam);
}

bool PropertyPage::onNotify(NMHDR* header, LRESULT& result) {
    switch (header->code) {
        case PSN_SETACTIVE:
            result = onSetActive() ? 0 : -1;
            return true;
        case PSN_KILLACTIVE:
            result = onKillActive() ? FALSE : TRUE;
            return true;
        case PSN_APPLY:
            try {
                onOK();
                result = PSNRET_NOERROR;
            } catch (const ComCallError& error) {
                // The sheet stays open on this page; what was sent is sent.
                reportServiceError(hwnd_, error);
                result = PSNRET_INVALID_NOCHANGEPAGE;
            }
            return true;
        default:
            return false;
    }
}

// --- PropertySheetWindow ------------------------------------------------------------

PropertySheetWindow* PropertySheetWindow::starting_ = nullptr;

void PropertySheetWindow::addPage(PropertyPage& page) {
    page.sheet_ = this;
    pages_.push_back(&page);
}

INT_PTR PropertySheetWindow::doModal() {
    std::vector<PROPSHEETPAGEA> pages;
    for (PropertyPage* p : pages_) pages.push_back(p->sheetPage());
    PROPSHEETHEADERA psh{};
    psh.dwSize = sizeof psh;
    psh.dwFlags = flags_ | PSH_PROPSHEETPAGE | PSH_USECALLBACK;
    psh.hwndParent = parent_;
    psh.hInstance = appInstance();
    psh.hIcon = icon_;
    psh.pszCaption = caption_;
    psh.nPages = static_cast<UINT>(pages.size());
    psh.nStartPage = static_cast<UINT>(startPage_);
    psh.ppsp = pages.data();
    psh.pfnCallback = sheetCallback;
    starting_ = this;
    const INT_PTR result = PropertySheetA(&psh);
    starting_ = nullptr;
    hwnd_ = nullptr;
    return result;
}

int CALLBACK PropertySheetWindow::sheetCallback(HWND hwnd, UINT msg, LPARAM) {
    if (msg != PSCB_INITIALIZED || !starting_) return 0;
    PropertySheetWindow* self = starting_;
    self->hwnd_ = hwnd;
    SetPropA(hwnd, kSheetProp, self);
    self->original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(sheetProc)));
    try {
        self->onInitialized();
    } catch (const ComCallError& error) {
        reportServiceError(hwnd, error);
    }
    return 0;
}

LRESULT CALLBACK PropertySheetWindow::sheetProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<PropertySheetWindow*>(GetPropA(hwnd, kSheetProp));
    if (msg == WM_NCDESTROY) {
        RemovePropA(hwnd, kSheetProp);
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(self->original_));
        return CallWindowProcA(self->original_, hwnd, msg, wParam, lParam);
    }
    try {
        return self->handleMessage(msg, wParam, lParam);
    } catch (const ComCallError& error) {
        reportServiceError(hwnd, error);
        return 0;
    }
}

}  // namespace tb::manager
