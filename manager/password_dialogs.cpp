#include "manager/password_dialogs.h"

#include "manager/manager_app.h"
#include "manager/resource.h"
#include "manager/service_link.h"
#include "manager/sheet_rules.h"

namespace tb::manager {

// --- CPasswordDlg -------------------------------------------------------------

CPasswordDlg::CPasswordDlg() : ModalDialog(IDD_PASSWORD) {}

BOOL CPasswordDlg::onInitDialog() {
    ModalDialog::onInitDialog();
    SetFocus(item(IDC_PASSWORD));
    return FALSE;
}

void CPasswordDlg::doDataExchange(DataExchange& dx) {
    dx.text(IDC_PASSWORD, password_);
}

void CPasswordDlg::onOK() {
    if (!updateData(true)) return;
    CManagerApp& app = CManagerApp::instance();
    if (verifyPassword(password_)) {
        app.rememberPassword(password_);
        endDialog(IDOK);
        return;
    }
    if (app.failureCount() >= kPasswordTries) {
        endDialog(IDCANCEL);
        return;
    }
    ++app.failureCount();
    SetFocus(item(IDC_PASSWORD));
    SendDlgItemMessageA(hwnd_, IDC_PASSWORD, EM_SETSEL, 0, -1);
}

// --- CNewPasswordDlg ----------------------------------------------------------

CNewPasswordDlg::CNewPasswordDlg() : ModalDialog(IDD_NEWPASSWORD) {}

BOOL CNewPasswordDlg::onInitDialog() {
    ModalDialog::onInitDialog();
    SetFocus(item(IDC_NEW_PASSWORD));
    return FALSE;
}

void CNewPasswordDlg::doDataExchange(DataExchange& dx) {
    dx.text(IDC_NEW_PASSWORD, password_);
    dx.text(IDC_NEW_CONFIRM, confirmation_);
}

void CNewPasswordDlg::onOK() {
    if (!updateData(true)) return;
    if (newPasswordAccepted(password_, confirmation_)) {
        verifyPassword(setPasswordText(password_));
        CManagerApp::instance().rememberPassword(password_);
        failures_ = 0;
        endDialog(IDOK);
        return;
    }
    password_.clear();
    confirmation_.clear();
    updateData(false);
    SetFocus(item(IDC_NEW_PASSWORD));
    if (++failures_ >= kPasswordTries) endDialog(IDCANCEL);
}

// --- CChangePasswordDlg -------------------------------------------------------

CChangePasswordDlg::CChangePasswordDlg(HWND parent) : ModalDialog(IDD_CHANGEPASSWORD, parent) {}

BOOL CChangePasswordDlg::onInitDialog() {
    ModalDialog::onInitDialog();
    SetFocus(item(IDC_OLD_PASSWORD));
    return FALSE;
}

void CChangePasswordDlg::doDataExchange(DataExchange& dx) {
    dx.text(IDC_OLD_PASSWORD, old_);
    dx.text(IDC_CHANGE_NEW, new_);
    dx.text(IDC_CHANGE_CONFIRM, confirmation_);
}

void CChangePasswordDlg::focusEdit(int id, bool selectAll) {
    SetFocus(item(id));
    if (selectAll) SendDlgItemMessageA(hwnd_, id, EM_SETSEL, 0, -1);
}

void CChangePasswordDlg::onOK() {
    if (!updateData(true)) return;
    const ChangePasswordResult result =
        checkPasswordChange(old_, new_, confirmation_,
                            [](std::string_view old) { return verifyPassword(std::string(old)); });
    switch (result) {
        case ChangePasswordResult::Accepted:
            verifyPassword(setPasswordText(new_));
            CManagerApp::instance().rememberPassword(new_);
            failures_ = 0;
            endDialog(IDOK);
            return;
        case ChangePasswordResult::OldEmpty:
            messageBox(IDS_ENTER_OLD_PASSWORD);
            focusEdit(IDC_OLD_PASSWORD, false);
            break;
        case ChangePasswordResult::NewEmpty:
            messageBox(IDS_ENTER_NEW_PASSWORD);
            focusEdit(IDC_CHANGE_NEW, false);
            break;
        case ChangePasswordResult::ConfirmEmpty:
            messageBox(IDS_CONFIRM_NEW_PASSWORD);
            focusEdit(IDC_CHANGE_CONFIRM, false);
            break;
        case ChangePasswordResult::Mismatch:
            messageBox(IDS_CONFIRMATION_MISMATCH);
            new_.clear();
            confirmation_.clear();
            updateData(false);
            focusEdit(IDC_CHANGE_NEW, false);
            break;
        case ChangePasswordResult::WrongOld:
            focusEdit(IDC_OLD_PASSWORD, true);
            break;
    }
    if (++failures_ >= kPasswordTries) endDialog(kGaveUp);
}

// --- CAboutDlg, CLoadingDlg ---------------------------------------------------

CAboutDlg::CAboutDlg(HWND parent) : ModalDialog(IDD_ABOUTBOX, parent) {}

CLoadingDlg::CLoadingDlg() {
    CreateDialogParamA(appInstance(), MAKEINTRESOURCEA(IDD_LOADING),
                       CManagerApp::instance().mainWindow(), loadingProc,
                       reinterpret_cast<LPARAM>(this));
    if (hwnd_) {
        ShowWindow(hwnd_, SW_SHOW);
        UpdateWindow(hwnd_);
    }
}

CLoadingDlg::~CLoadingDlg() {
    if (hwnd_) DestroyWindow(hwnd_);
}

BOOL CLoadingDlg::onInitDialog() {
    // Centred on its owner (the sheet) or on the screen.
    RECT mine{}, area{};
    GetWindowRect(hwnd_, &mine);
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    if (owner) {
        GetWindowRect(owner, &area);
    } else {
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    }
    const int w = mine.right - mine.left, h = mine.bottom - mine.top;
    SetWindowPos(hwnd_, nullptr, area.left + (area.right - area.left - w) / 2,
                 area.top + (area.bottom - area.top - h) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return TRUE;
}

INT_PTR CALLBACK CLoadingDlg::loadingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        reinterpret_cast<CLoadingDlg*>(lParam)->hwnd_ = hwnd;
    }
    return dispatch(fromWindow(hwnd), hwnd, msg, wParam, lParam);
}

}  // namespace tb::manager
