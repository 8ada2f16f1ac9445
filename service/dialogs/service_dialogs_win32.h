// The dialog seam on user32: the service's dialogs from its resources,
// modal, without owner, run by one shared dialog procedure.
#pragma once

#include <windows.h>

#include <functional>

#include "service/dialogs/service_dialogs.h"

namespace tb::dialogs {

// The commands that belong to dialogs of other parts of the service; each
// part fills in its own. A command without a handler closes its dialog.
struct DialogCommands {
    std::function<void()> askAgainLater;    // 3: after the dialog has closed
    std::function<void()> declined;         // 7 (No, Cancel): after closing
    std::function<bool(HWND)> passwordOk;   // 202: true closes the dialog
    std::function<bool(HWND)> uninstallOk;  // 209: true closes the dialog
    std::function<void()> updateOk;         // 210: after closing
};

class Win32ServiceDialogs : public ServiceDialogs {
  public:
    // `resources`: the module that holds the dialog resources.
    explicit Win32ServiceDialogs(HINSTANCE resources) : resources_(resources) {}

    int show(int dialog, const std::vector<ControlText>& texts = {}) override;

    DialogCommands commands;

  private:
    HINSTANCE resources_;
};

// What the shared procedure gets with WM_INITDIALOG (its lParam).
struct DialogContext {
    const std::vector<ControlText>* texts = nullptr;
    const DialogCommands* commands = nullptr;
};

// WM_INITDIALOG: fills in the texts, centres the dialog on the desktop
// (keeping its size and z-order), brings it to the foreground. WM_COMMAND:
// 203 closes; 3, 7, 202, 209 and 210 go to their handlers; other commands
// are swallowed.
INT_PTR CALLBACK serviceDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

void centreOnDesktop(HWND window);

}  // namespace tb::dialogs
