#include "bar/band_window.h"

#include "common/com_object.h"

namespace tb::bar {

namespace {

constexpr wchar_t kPreviousProcedure[] = L"TamberlyBarSiteProc";
// COLORREF 0x00C000FF: red 255, green 0, blue 192.
constexpr COLORREF kBandBackground = 0x00C000FF;

BandWindowOwner* ownerOf(HWND window) {
    return reinterpret_cast<BandWindowOwner*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

LRESULT CALLBACK bandWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* owner =
            static_cast<BandWindowOwner*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
        if (owner) owner->windowCreated(window);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    BandWindowOwner* owner = ownerOf(window);
    if (owner) {
        switch (message) {
            case WM_SETFOCUS:
                // The band never keeps the focus.
                SetFocus(reinterpret_cast<HWND>(wParam));
                return 0;
            case WM_KILLFOCUS:
                owner->focusLost();
                return 0;
            case WM_SIZE:
                owner->windowResized(LOWORD(lParam), HIWORD(lParam));
                break;
            case WM_DESTROY:
                owner->windowDestroyed();
                break;
            case WM_NCDESTROY:
                SetWindowLongPtrW(window, GWLP_USERDATA, 0);
                break;
            default:
                break;
        }
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

WNDPROC previousOf(HWND site) {
    return reinterpret_cast<WNDPROC>(GetPropW(site, kPreviousProcedure));
}

void forgetPrevious(HWND site, WNDPROC previous) {
    SetWindowLongPtrW(site, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
    RemovePropW(site, kPreviousProcedure);
    ModuleLock::unlock();
}

LRESULT CALLBACK siteWindowProc(HWND site, UINT message, WPARAM wParam, LPARAM lParam) {
    const WNDPROC previous = previousOf(site);
    if (message == WM_RBUTTONUP) return 0;
    if (message == WM_NCDESTROY && previous) forgetPrevious(site, previous);
    return previous ? CallWindowProcW(previous, site, message, wParam, lParam)
                    : DefWindowProcW(site, message, wParam, lParam);
}

}  // namespace

bool registerBandWindowClass(HMODULE module) {
    WNDCLASSEXW existing = {};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExW(module, kBandWindowClass, &existing)) return true;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW | CS_GLOBALCLASS;
    wc.lpfnWndProc = bandWindowProc;
    wc.hInstance = module;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = CreateSolidBrush(kBandBackground);
    wc.lpszClassName = kBandWindowClass;
    if (RegisterClassExW(&wc)) return true;
    DeleteObject(wc.hbrBackground);
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// A global class outlives the module that registered it unless it is taken
// back; a later load at another address would find a stale procedure.
void unregisterBandWindowClass(HMODULE module) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(module, kBandWindowClass, &wc) || wc.hInstance != module) return;
    if (UnregisterClassW(kBandWindowClass, module) && wc.hbrBackground)
        DeleteObject(wc.hbrBackground);
}

HWND createBandWindow(HMODULE module, HWND parent, BandWindowOwner* owner) {
    RECT area = {};
    GetClientRect(parent, &area);
    return CreateWindowExW(0, kBandWindowClass, L"", WS_CHILD | WS_BORDER, area.left, area.top,
                           area.right - area.left, area.bottom - area.top, parent, nullptr, module,
                           owner);
}

void subclassSiteWindow(HWND site) {
    if (!site || previousOf(site)) return;
    const auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(site, GWLP_WNDPROC));
    if (!current || current == siteWindowProc) return;
    // The previous procedure is in place before any message can need it.
    if (!SetPropW(site, kPreviousProcedure, reinterpret_cast<HANDLE>(current))) return;
    ModuleLock::lock();
    SetWindowLongPtrW(site, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(siteWindowProc));
}

void restoreSiteWindow(HWND site) {
    if (!site || !IsWindow(site)) return;
    const WNDPROC previous = previousOf(site);
    if (!previous) return;
    if (reinterpret_cast<WNDPROC>(GetWindowLongPtrW(site, GWLP_WNDPROC)) != siteWindowProc) return;
    forgetPrevious(site, previous);
}

}  // namespace tb::bar
