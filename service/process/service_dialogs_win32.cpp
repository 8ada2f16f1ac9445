#include "service/process/service_dialogs_win32.h"

#include "service/process/process_resources.h"
#include "service/process/tray_model.h"
#include "service/uninstall/dialog_passwords.h"
#include "service/uninstall/uninstall_resources.h"
#include "service/update/browser_launch_win32.h"
#include "service/update/update_resources.h"

namespace tb {

namespace {

constexpr int kPasswordField = 201;
constexpr int kCancel = 7;
constexpr int kOk = 203;

HMODULE dialogModule = nullptr;

void centreOnDesktop(HWND window) {
    RECT dialog{}, desktop{};
    GetWindowRect(window, &dialog);
    GetWindowRect(GetDesktopWindow(), &desktop);
    const int width = dialog.right - dialog.left;
    const int height = dialog.bottom - dialog.top;
    SetWindowPos(window, nullptr, desktop.left + (desktop.right - desktop.left - width) / 2,
                 desktop.top + (desktop.bottom - desktop.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void onInitDialog(HWND window, const ModalDialog* dialog) {
    SetWindowLongPtrW(window, DWLP_USER, reinterpret_cast<LONG_PTR>(dialog));
    centreOnDesktop(window);
    SetForegroundWindow(window);
    if (dialog && dialog->onInit) dialog->onInit(window);
}

void onPasswordOk(HWND window, int id, const ModalDialog* dialog) {
    char text[tb::kDialogPasswordLength + 1] = {};
    GetDlgItemTextA(window, kPasswordField, text, sizeof text);
    if (dialog && dialog->onPasswordOk && dialog->onPasswordOk(text)) {
        EndDialog(window, id);
        return;
    }
    SetDlgItemTextA(window, kPasswordField, "");
    SetFocus(GetDlgItem(window, kPasswordField));
}

// The close box and Escape: the dialog's own Cancel or No where it has
// one, otherwise its OK.
int cancelButtonOf(HWND window) {
    return GetDlgItem(window, kCancel) ? kCancel : kOk;
}

}  // namespace

void setDialogModule(HMODULE module) {
    dialogModule = module;
}

INT_PTR CALLBACK serviceDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    const auto* dialog =
        reinterpret_cast<const ModalDialog*>(GetWindowLongPtrW(window, DWLP_USER));
    switch (message) {
        case WM_INITDIALOG:
            onInitDialog(window, reinterpret_cast<const ModalDialog*>(lParam));
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_UPDATE_LATER:
                case kCancel:
                case kOk:
                case IDC_UPDATE_OK:
                    EndDialog(window, LOWORD(wParam));
                    return TRUE;
                case IDCANCEL:
                    EndDialog(window, cancelButtonOf(window));
                    return TRUE;
                case IDC_PASSWORD_OK:
                case IDC_UNINSTALL_OK:
                    onPasswordOk(window, LOWORD(wParam), dialog);
                    return TRUE;
                default:
                    return TRUE;
            }
        default:
            return FALSE;
    }
}

INT_PTR runServiceDialog(const ModalDialog& dialog) {
    HMODULE module = dialogModule ? dialogModule : GetModuleHandleW(nullptr);
    return DialogBoxParamW(module, MAKEINTRESOURCEW(dialog.id), nullptr, serviceDialogProc,
                           reinterpret_cast<LPARAM>(&dialog));
}

void showCredits() {
    runServiceDialog({IDD_CREDITS, nullptr, nullptr});
}

void showPasswordDialog(ServiceCalls& service) {
    ModalDialog dialog{IDD_PASSWORD, nullptr, [&](const std::string& text) {
                             if (tray::passwordDialogOk(text, service)) return true;
                             service.showIncorrectPassword();
                             return false;
                         }};
    runServiceDialog(dialog);
}

void showUninstallDialog(ServiceCalls& service) {
    ModalDialog dialog{IDD_UNINSTALL,
                         [](HWND window) {
                             SetDlgItemTextA(window, IDC_UNINSTALL_SUPPORT,
                                             uninstallSupportText().c_str());
                         },
                         [&](const std::string& text) {
                             const bool accepted = uninstallPasswordAccepted(
                                 text, service.passwordEntry(),
                                 [&](const std::string& t) { return service.isMasterCode(t); });
                             if (!accepted) {
                                 service.showIncorrectPassword();
                                 return false;
                             }
                             service.uninstallStepOne();
                             return true;
                         }};
    runServiceDialog(dialog);
}

std::optional<update::ReminderAnswer> DialogReminderUi::ask() {
    switch (runServiceDialog({IDD_UPDATE_REMINDER, nullptr, nullptr})) {
        case IDC_UPDATE_OK:
            return update::ReminderAnswer::Update;
        case IDC_UPDATE_NO:
            return update::ReminderAnswer::No;
        case IDC_UPDATE_LATER:
            return update::ReminderAnswer::AskLater;
        default:
            return std::nullopt;  // not shown
    }
}

void DialogReminderUi::openPage(const std::string& address) {
    update::openPageInInternetExplorer(address);
}

}  // namespace tb
