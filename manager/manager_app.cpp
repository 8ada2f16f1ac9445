#include "manager/manager_app.h"

#include <commctrl.h>
#include <ole2.h>

#include "common/com_error.h"
#include "manager/dialog.h"
#include "manager/password_dialogs.h"
#include "manager/resource.h"
#include "manager/service_link.h"
#include "manager/sheet_rules.h"
#include "manager/tb_manager_dlg.h"

namespace tb::manager {

namespace {
constexpr char kMutexName[] = "TBManagerMutex";
constexpr char kSheetTitle[] = "Tamberly Manager";
}  // namespace

CManagerApp& CManagerApp::instance() {
    static CManagerApp app;
    return app;
}

CManagerApp::~CManagerApp() {
    log_.Reset();
}

bool CManagerApp::claimSingleInstance() {
    mutex_.reset(CreateMutexA(nullptr, FALSE, kMutexName));
    if (GetLastError() != ERROR_ALREADY_EXISTS) return true;
    if (HWND sheet = FindWindowA(nullptr, kSheetTitle)) {
        ShowWindow(sheet, SW_SHOWDEFAULT);
        BringWindowToTop(sheet);
        SetForegroundWindow(sheet);
    }
    return false;
}

void CManagerApp::connectToService() {
    log_.Reset();
    Microsoft::WRL::ComPtr<IUnknown> unknown;
    if (SUCCEEDED(GetActiveObject(CLSID_Log, nullptr, unknown.GetAddressOf())) && unknown &&
        SUCCEEDED(unknown.As(&log_))) {
        return;
    }
    log_.Reset();
    unknown.Reset();
    const HRESULT hr = CoCreateInstance(
        CLSID_Log, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
        IID_IUnknown, reinterpret_cast<void**>(unknown.GetAddressOf()));
    if (hr != E_NOINTERFACE) checkCall(hr, IID_ILog, "CreateInstance");
    if (!unknown) checkCall(E_NOINTERFACE, IID_ILog, "QueryInterface");
    OleRun(unknown.Get());
    checkCall(unknown.As(&log_), IID_ILog, "QueryInterface");
}

bool CManagerApp::initInstance() {
    if (!claimSingleInstance()) return false;

    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_TAB_CLASSES | ICC_UPDOWN_CLASS |
                                                       ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
    if (FAILED(OleInitialize(nullptr))) return false;
    icon_ = LoadIconA(appInstance(), MAKEINTRESOURCEA(IDR_MAINFRAME));

    try {
        connectToService();
        if (verifyPassword(std::string(1, kSetPasswordMarker))) {
            CNewPasswordDlg dialog;
            dialog.doModal();
        } else {
            CPasswordDlg dialog;
            if (dialog.doModal() == IDOK) {
                CTBManagerDlg sheet(kSheetTitle, nullptr, 0);
                sheet.doModal();
            }
        }
    } catch (const ComCallError& error) {
        // Without the service there is nothing to manage.
        reportServiceError(nullptr, error);
    }
    mainWindow_ = nullptr;
    log_.Reset();
    OleUninitialize();
    return false;
}

void CManagerApp::uninstall() {
    if (FAILED(OleInitialize(nullptr))) return;
    try {
        // The service asks for the password itself and does the rest.
        connectToService();
        checkCall(log_->UninstallTB(), IID_ILog, "UninstallTB");
    } catch (const ComCallError& error) {
        reportServiceError(nullptr, error);
    }
    log_.Reset();
    OleUninitialize();
}

}  // namespace tb::manager

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int) {
    // Tamberly.exe /uninstall: the Add/Remove Programs entry's command.
    if (tb::manager::isUninstallCommand(commandLine)) {
        tb::manager::CManagerApp::instance().uninstall();
    } else {
        tb::manager::CManagerApp::instance().initInstance();
    }
    return 0;
}
