#include "service/dialogs/service_dialogs_win32.h"

#include "common/com_convert.h"

namespace tb::dialogs {
namespace {

const DialogCommands& commandsOf(HWND dialog) {
    static const DialogCommands none;
    const auto* context =
        reinterpret_cast<const DialogContext*>(GetWindowLongPtrW(dialog, DWLP_USER));
    return context && context->commands ? *context->commands : none;
}

INT_PTR onInitDialog(HWND dialog, const DialogContext* context) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(context));
    if (context && context->texts) {
        for (const ControlText& text : *context->texts) {
            SetDlgItemTextW(dialog, text.control, toWide(text.text).c_str());
        }
    }
    centreOnDesktop(dialog);
    SetForegroundWindow(dialog);
    return TRUE;
}

// Runs `after` once the dialog is closed with `command`.
void closeThen(HWND dialog, int command, const std::function<void()>& after) {
    EndDialog(dialog, command);
    if (after) after();
}

void closeIf(HWND dialog, int command, const std::function<bool(HWND)>& handler) {
    if (!handler || handler(dialog)) EndDialog(dialog, command);
}

INT_PTR onCommand(HWND dialog, int command) {
    const DialogCommands& commands = commandsOf(dialog);
    switch (command) {
        case IDC_CLOSE_OK:
            EndDialog(dialog, command);
            break;
        case IDC_ASK_AGAIN_LATER:
            closeThen(dialog, command, commands.askAgainLater);
            break;
        case IDC_DECLINE:
            closeThen(dialog, command, commands.declined);
            break;
        case IDC_UPDATE_OK:
            closeThen(dialog, command, commands.updateOk);
            break;
        case IDC_PASSWORD_OK:
            closeIf(dialog, command, commands.passwordOk);
            break;
        case IDC_UNINSTALL_OK:
            closeIf(dialog, command, commands.uninstallOk);
            break;
        default:
            break;
    }
    return TRUE;
}

}  // namespace

void centreOnDesktop(HWND window) {
    RECT self = {}, desktop = {};
    if (!GetWindowRect(window, &self) || !GetWindowRect(GetDesktopWindow(), &desktop)) return;
    const int x = desktop.left + ((desktop.right - desktop.left) - (self.right - self.left)) / 2;
    const int y = desktop.top + ((desktop.bottom - desktop.top) - (self.bottom - self.top)) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

INT_PTR CALLBACK serviceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return onInitDialog(dialog, reinterpret_cast<const DialogContext*>(lParam));
        case WM_COMMAND:
            return onCommand(dialog, LOWORD(wParam));
        default:
            return FALSE;
    }
}

int Win32ServiceDialogs::show(int dialog, const std::vector<ControlText>& texts) {
    DialogContext context{&texts, &commands};
    const INT_PTR result = DialogBoxParamW(resources_, MAKEINTRESOURCEW(dialog), nullptr,
                                           serviceDialogProc, reinterpret_cast<LPARAM>(&context));
    return static_cast<int>(result);
}

}  // namespace tb::dialogs
