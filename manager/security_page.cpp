#include "manager/security_page.h"

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "common/registry_win32.h"
#include "manager/manager_app.h"
#include "manager/password_dialogs.h"
#include "manager/resource.h"
#include "manager/service_link.h"
#include "manager/sheet_rules.h"
#include "manager/tb_manager_dlg.h"

namespace tb::manager {

namespace {
constexpr char kNtZones[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";
constexpr char kWindowsZones[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Time Zones";
}  // namespace

CSecurityPage::CSecurityPage() : PropertyPage(IDD_SECURITY) {}

BOOL CSecurityPage::onInitDialog() {
    PropertyPage::onInitDialog();
    const bool filtering = tbOn("");
    CheckRadioButton(hwnd_, IDC_FILTER_ON, IDC_FILTER_OFF,
                     filtering ? IDC_FILTER_ON : IDC_FILTER_OFF);

    ManagerDataLink data;
    VARIANT_BOOL timed = 0;
    checkCall(data->GetTimedAccess(&timed), IID_IManagerData, "GetTimedAccess");
    CheckRadioButton(hwnd_, IDC_TIMED_ON, IDC_TIMED_OFF, timed ? IDC_TIMED_ON : IDC_TIMED_OFF);
    managerSheet(*this).setTimeTabState(timed == 1);

    fillTimeZones();
    ScopedBstr zone;
    checkCall(data->GetTimezoneString(zone.receive()), IID_IManagerData, "GetTimezoneString");
    ComboBox(item(IDC_TIMEZONE)).selectString(-1, toAnsi(zone.get()));
    timezoneChanged_ = false;
    return TRUE;
}

void CSecurityPage::fillTimeZones() {
    char system[MAX_PATH] = "";
    const UINT n = GetSystemDirectoryA(system, MAX_PATH);
    const char* base = (n > 0 && system[n - 1] == '2') ? kNtZones : kWindowsZones;
    RegKey zones;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, base, 0, KEY_ENUMERATE_SUB_KEYS, zones.receive()) !=
        ERROR_SUCCESS)
        return;
    ComboBox combo(item(IDC_TIMEZONE));
    for (DWORD index = 0;; ++index) {
        char name[261] = "";
        DWORD length = 260;
        if (RegEnumKeyExA(zones.get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        RegKey zone;
        const std::string path = std::string(base) + "\\" + name;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_QUERY_VALUE, zone.receive()) !=
            ERROR_SUCCESS)
            break;
        char display[261] = "";
        DWORD size = 260, type = 0;
        if (RegQueryValueExA(zone.get(), "Display", nullptr, &type,
                             reinterpret_cast<BYTE*>(display), &size) == ERROR_SUCCESS &&
            type == REG_SZ) {
            display[size < sizeof display ? size : sizeof display - 1] = '\0';
            combo.addString(display);
        }
    }
}

void CSecurityPage::onChangePassword() {
    CChangePasswordDlg dialog(hwnd_);
    dialog.doModal();
}

void CSecurityPage::onUninstall() {
    checkCall(serviceLog()->UninstallTB(), IID_ILog, "UninstallTB");
}

bool CSecurityPage::onCommand(int id, int code, HWND) {
    switch (id) {
        case IDC_CHANGE_PASSWORD:
            if (code == BN_CLICKED) onChangePassword();
            return true;
        case IDC_UNINSTALL:
            if (code == BN_CLICKED) onUninstall();
            return true;
        case IDC_TIMED_ON:
        case IDC_TIMED_OFF:
            if (code == BN_CLICKED) managerSheet(*this).setTimeTabState(id == IDC_TIMED_ON);
            return true;
        case IDC_TIMEZONE:
            if (code == CBN_SELCHANGE) timezoneChanged_ = true;
            return true;
        default:
            return false;
    }
}

void CSecurityPage::onOK() {
    const bool filteringOn = IsDlgButtonChecked(hwnd_, IDC_FILTER_ON) == BST_CHECKED;
    const std::string password = CManagerApp::instance().password();
    switch (applyFilterChoice(filteringOn, [&] { return tbOn(password); })) {
        case TimeLogging::Start:
            checkCall(serviceLog()->StartTimeLogging(), IID_ILog, "StartTimeLogging");
            break;
        case TimeLogging::Stop:
            checkCall(serviceLog()->StopTimeLogging(), IID_ILog, "StopTimeLogging");
            break;
        case TimeLogging::Unchanged:
            break;
    }
    ManagerDataLink data;
    if (timezoneChanged_) {
        ScopedBstr zone = ScopedBstr::adopt(newBstr(windowText(item(IDC_TIMEZONE))));
        BSTR text = zone.get();
        checkCall(data->SetTimezoneString(&text), IID_IManagerData, "SetTimezoneString");
    }
    const VARIANT_BOOL timed = IsDlgButtonChecked(hwnd_, IDC_TIMED_ON) == BST_CHECKED ? 1 : 0;
    checkCall(data->SetTimedAccess(timed), IID_IManagerData, "SetTimedAccess");
}

}  // namespace tb::manager
