#include "service/process/tray_model.h"

#include "service/uninstall/dialog_passwords.h"

namespace tb::tray {

std::vector<MenuItem> trayMenu() {
    return {{"About Tamberly", kAbout},     {"", 0}, {"Tamberly On/Off", kOnOff},
            {"Tamberly Manager", kManager}, {"", 0}, {"Uninstall Tamberly", kUninstall}};
}

Action actionForCommand(int command, bool shiftHeld) {
    switch (command) {
        case kAbout:
            return shiftHeld ? Action::ShowCredits : Action::ShowAbout;
        case kOnOff:
            return Action::SwitchFilter;
        case kManager:
            return Action::StartManager;
        case kUninstall:
            return Action::ShowUninstall;
        case kRemoveIcon:
            return Action::RemoveIcon;
        default:
            return Action::None;
    }
}

Action actionForMouse(uint32_t iconId, uint32_t mouseMessage) {
    if (iconId != kIconId) return Action::None;
    switch (mouseMessage) {
        case kLeftButtonDown:
        case kLeftDoubleClick:
            return Action::StartManager;
        case kRightButtonDown:
            return Action::ShowMenu;
        default:
            return Action::None;
    }
}

void TrayIcon::showState(bool filterOn) {
    if (hasWindow() && platform_.modifyIcon(state_, iconFor(filterOn))) return;
    setUp(filterOn);
}

void TrayIcon::setUp(bool filterOn) {
    if (!haveShellWindows_) {
        platform_.createShellWindows();
        haveShellWindows_ = true;
    }
    if (state_ == kInitial) {
        state_ = kHookReady;
        platform_.initializeHook();
        return;
    }
    if (state_ == kHookReady) {
        state_ = platform_.createTrayWindow();
        if (!hasWindow()) {
            state_ = kHookReady;  // try again at the next query
            return;
        }
    }
    platform_.addIcon(state_, iconFor(filterOn));  // a failing add is not reported
}

void TrayIcon::removeIcon() {
    if (!hasWindow()) return;
    platform_.deleteIcon(state_);
    platform_.destroyTrayWindow(state_);
    state_ = kHookReady;
}

bool switchFromMenu(ServiceCalls& service) {
    if (service.tbOn("")) return false;
    service.tbOn("*");
    service.startTimeLogging();
    return true;
}

bool passwordDialogOk(const std::string& fieldText, ServiceCalls& service) {
    const std::string typed = typedPassword(fieldText);
    if (!matchesPasswordEntry(typed, service.passwordEntry())) return false;
    const bool wasOn = service.tbOn("");
    service.tbOn(typed);
    if (wasOn) {
        service.stopTimeLogging();
    } else {
        service.startTimeLogging();
    }
    return true;
}

}  // namespace tb::tray
