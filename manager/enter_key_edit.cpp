#include "manager/enter_key_edit.h"

#include "common/com_error.h"
#include "manager/dialog.h"

namespace tb::manager {

namespace {

constexpr char kProp[] = "TamberlyEnterKey";

struct EnterRoute {
    WNDPROC original;
    std::function<void()> onEnter;
};

bool isEnter(const MSG* msg) {
    return msg && (msg->message == WM_KEYDOWN || msg->message == WM_CHAR) &&
           msg->wParam == VK_RETURN;
}

LRESULT CALLBACK enterProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* route = static_cast<EnterRoute*>(GetPropA(hwnd, kProp));
    const WNDPROC original = route->original;
    switch (msg) {
        case WM_GETDLGCODE: {
            LRESULT code = CallWindowProcA(original, hwnd, msg, wParam, lParam);
            if (isEnter(reinterpret_cast<const MSG*>(lParam))) code |= DLGC_WANTALLKEYS;
            return code;
        }
        case WM_KEYDOWN:
            if (wParam == VK_RETURN) {
                try {
                    route->onEnter();
                } catch (const ComCallError& error) {
                    reportServiceError(GetParent(hwnd), error);
                }
                return 0;
            }
            break;
        case WM_CHAR:
            if (wParam == '\r') return 0;
            break;
        case WM_NCDESTROY:
            RemovePropA(hwnd, kProp);
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
            delete route;
            return CallWindowProcA(original, hwnd, msg, wParam, lParam);
        default:
            break;
    }
    return CallWindowProcA(original, hwnd, msg, wParam, lParam);
}

}  // namespace

void routeEnterKey(HWND edit, std::function<void()> onEnter) {
    if (!edit || GetPropA(edit, kProp)) return;
    auto* route = new EnterRoute{nullptr, std::move(onEnter)};
    SetPropA(edit, kProp, route);
    route->original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(enterProc)));
}

}  // namespace tb::manager
