#include "manager/subclassed_window.h"

namespace tb::manager {

namespace {
constexpr char kProp[] = "TamberlyControl";
}

void SubclassedWindow::attach(HWND hwnd) {
    detach();
    if (!hwnd) return;
    hwnd_ = hwnd;
    SetPropA(hwnd, kProp, this);
    original_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(thunk)));
}

void SubclassedWindow::detach() {
    if (!hwnd_) return;
    if (IsWindow(hwnd_)) {
        SetWindowLongPtrA(hwnd_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original_));
        RemovePropA(hwnd_, kProp);
    }
    hwnd_ = nullptr;
    original_ = nullptr;
}

LRESULT CALLBACK SubclassedWindow::thunk(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = static_cast<SubclassedWindow*>(GetPropA(hwnd, kProp));
    if (msg == WM_NCDESTROY) {
        const WNDPROC original = self->original_;
        self->detach();
        return CallWindowProcA(original, hwnd, msg, wParam, lParam);
    }
    return self->windowProc(msg, wParam, lParam);
}

}  // namespace tb::manager
