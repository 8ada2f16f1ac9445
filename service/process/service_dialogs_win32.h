// The service's shared dialog procedure: every modal dialog of the service
// is shown without an owner, centred on the desktop and brought to the
// front. Buttons 3, 7, 203 and 210 close the dialog and are returned to the
// caller, who acts on them; the OK buttons of password fields (202, 209)
// ask the dialog's check first and stay open on a wrong entry, with the
// field emptied.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

#include "service/process/service_calls.h"
#include "service/update/update_reminder.h"

namespace tb {

struct ModalDialog {
    int id = 0;
    std::function<void(HWND)> onInit;
    // OK of a dialog with the password field 201, given the field's text
    // (up to 49 characters). True closes the dialog.
    std::function<bool(const std::string&)> onPasswordOk;
};

// The module that holds the dialogs (the program by default).
void setDialogModule(HMODULE module);

// Runs the dialog modally and returns the id of the button that closed it
// (the close box and Escape count as the dialog's Cancel or No, else OK),
// or -1 when it could not be shown.
INT_PTR runServiceDialog(const ModalDialog& dialog);

INT_PTR CALLBACK serviceDialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The dialogs of the tray and of uninstall.
void showCredits();
// The password dialog of the On/Off command (211).
void showPasswordDialog(ServiceCalls& service);
// The uninstall dialog (232): the password or today's master code runs
// step one.
void showUninstallDialog(ServiceCalls& service);

// The "Tamberly Update" reminder (205) and Internet Explorer.
class DialogReminderUi : public update::ReminderUi {
  public:
    std::optional<update::ReminderAnswer> ask() override;
    void openPage(const std::string& address) override;
};

}  // namespace tb
