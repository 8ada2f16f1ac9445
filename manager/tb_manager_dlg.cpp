#include "manager/tb_manager_dlg.h"

#include "common/vendor_endpoints.h"
#include "manager/manager_app.h"
#include "manager/password_dialogs.h"
#include "manager/resource.h"
#include "manager/service_link.h"
#include "manager/sheet_rules.h"

namespace tb::manager {

namespace {
constexpr int kTabWidth = 80;
}

CTBManagerDlg& managerSheet(const PropertyPage& page) {
    return *static_cast<CTBManagerDlg*>(page.sheet());
}

CTBManagerDlg::CTBManagerDlg(const char* caption, HWND parent, int selectPage)
    : PropertySheetWindow(caption, parent, selectPage) {
    icon_ = CManagerApp::instance().icon();
    flags_ = PSH_USEHICON | PSH_NOAPPLYNOW | PSH_HASHELP;
    addPage(security_);
    addPage(categories_);
    addPage(time_);
    addPage(sites_);
    addPage(allowed_);
    addPage(words_);
    addPage(update_);
}

void CTBManagerDlg::addSystemMenuItems() {
    HMENU menu = GetSystemMenu(hwnd(), FALSE);
    if (!menu) return;
    const std::string uninstall = loadString(IDS_UNINSTALL);
    if (!uninstall.empty()) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, IDM_UNINSTALL, uninstall.c_str());
    }
    const std::string about = loadString(IDS_ABOUTBOX);
    if (!about.empty()) {
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(menu, MF_STRING, IDM_ABOUTBOX, about.c_str());
    }
}

void CTBManagerDlg::onInitialized() {
    CManagerApp::instance().setMainWindow(hwnd());
    addSystemMenuItems();
    HICON icon = CManagerApp::instance().icon();
    SendMessageA(hwnd(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageA(hwnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    // All tabs on one row, each 80 pixels wide.
    TabCtrl tabs = tabControl();
    LONG style = GetWindowLongA(tabs.hwnd(), GWL_STYLE);
    style = (style & ~TCS_MULTILINE) | TCS_SINGLELINE | TCS_FIXEDWIDTH;
    SetWindowLongA(tabs.hwnd(), GWL_STYLE, style);
    const RECT first = tabs.itemRect(0);
    tabs.setItemSize(kTabWidth, first.bottom - first.top);
    InvalidateRect(tabs.hwnd(), nullptr, TRUE);
}

void CTBManagerDlg::setTimeTabState(bool on) {
    timedAccessOn_ = on;
    TabCtrl tabs = tabControl();
    tabs.setItemText(kTime, timeTabCaption(tabs.itemText(kTime), on));
}

void CTBManagerDlg::showInBrowser(const std::string& address) {
    setActivePage(kUpdate);
    if (update_.created()) update_.navigate(address);
}

bool CTBManagerDlg::onSysCommand(WPARAM command) {
    switch (command & 0xFFF0) {
        case IDM_ABOUTBOX: {
            CAboutDlg about(hwnd());
            about.doModal();
            return true;
        }
        case IDM_UNINSTALL:
            checkCall(serviceLog()->UninstallTB(), IID_ILog, "UninstallTB");
            return true;
        default:
            return false;
    }
}

void CTBManagerDlg::onHelp() {
    setActivePage(kUpdate);
    if (update_.created()) update_.navigate(vendor::kHelpPage);
}

void CTBManagerDlg::onTabChanging() {
    previousTab_ = activeIndex();
}

void CTBManagerDlg::onTabChanged() {
    if (activeIndex() == kTime && !timedAccessOn_) setActivePage(previousTab_);
}

LRESULT CTBManagerDlg::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_SYSCOMMAND:
            if (onSysCommand(wParam)) return 0;
            break;
        case WM_SYSCOLORCHANGE:
            // Child dialogs hear of new system colours only through the sheet.
            for (int i = 0; i < pageCount(); ++i) {
                if (page(i).created()) SendMessageA(page(i).hwnd(), msg, wParam, lParam);
            }
            break;
        case WM_QUERYDRAGICON:
            return reinterpret_cast<LRESULT>(CManagerApp::instance().icon());
        case WM_COMMAND:
            if (LOWORD(wParam) == IDHELP) {
                onHelp();
                return 0;
            }
            break;
        case WM_NOTIFY: {
            const NMHDR* header = reinterpret_cast<NMHDR*>(lParam);
            if (header->hwndFrom != tabControl().hwnd()) break;
            if (header->code == TCN_SELCHANGING) {
                onTabChanging();
            } else if (header->code == TCN_SELCHANGE) {
                const LRESULT result = defaultHandling(msg, wParam, lParam);
                onTabChanged();
                return result;
            }
            break;
        }
        default:
            break;
    }
    return defaultHandling(msg, wParam, lParam);
}

}  // namespace tb::manager
