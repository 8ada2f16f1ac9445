// The notification-area icon and its menu, as rules: the set-up states of
// the tray window, which icon shows the filter state, the six menu
// positions, and what each command and mouse message does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "service/process/service_calls.h"

namespace tb::tray {

inline constexpr uint32_t kIconId = 1001;
inline constexpr uint32_t kCallbackMessage = 0x8064;  // WM_APP + 100
inline constexpr int kIconOn = 206;
inline constexpr int kIconOff = 208;

enum Command : int {
    kAbout = 1003,
    kOnOff = 1004,
    kManager = 1006,
    kRemoveIcon = 1007,
    kUninstall = 1008
};

// The mouse messages that the icon reports (the window message numbers).
inline constexpr uint32_t kLeftButtonDown = 0x0201;
inline constexpr uint32_t kLeftDoubleClick = 0x0203;
inline constexpr uint32_t kRightButtonDown = 0x0204;

struct MenuItem {
    std::string text;
    int command = 0;  // 0: a separator
};

std::vector<MenuItem> trayMenu();

enum class Action {
    None,
    ShowAbout,
    ShowCredits,
    SwitchFilter,
    StartManager,
    ShowUninstall,
    RemoveIcon,
    ShowMenu
};

Action actionForCommand(int command, bool shiftHeld);
Action actionForMouse(uint32_t iconId, uint32_t mouseMessage);

inline int iconFor(bool filterOn) {
    return filterOn ? kIconOn : kIconOff;
}

// The platform side of the icon: the shell's window list, the hook
// library, the hidden window (dialog 206) and Shell_NotifyIcon.
class TrayPlatform {
  public:
    virtual ~TrayPlatform() = default;
    virtual void createShellWindows() = 0;
    virtual void initializeHook() = 0;         // THInitialize with no window
    virtual uintptr_t createTrayWindow() = 0;  // 0 when it cannot be made
    virtual bool addIcon(uintptr_t window, int icon) = 0;
    virtual bool modifyIcon(uintptr_t window, int icon) = 0;
    virtual bool deleteIcon(uintptr_t window) = 0;
    virtual void destroyTrayWindow(uintptr_t window) = 0;
};

// The tray window state: 1 before anything is set up, 0 once the hook
// library is initialised (no window yet), otherwise the window.
class TrayIcon {
  public:
    static constexpr uintptr_t kInitial = 1;
    static constexpr uintptr_t kHookReady = 0;

    explicit TrayIcon(TrayPlatform& platform) : platform_(platform) {}

    // The filter switch changed or was asked: change the icon in place, or
    // when that fails run the set-up. So the first query of a process only
    // initialises the hook library, the next adds the icon, and an icon
    // lost with a restarted shell comes back at the next query.
    void showState(bool filterOn);
    void setUp(bool filterOn);
    // Command 1007: the icon and its window go; the next set-up makes a new
    // window.
    void removeIcon();

    uintptr_t state() const { return state_; }
    bool hasWindow() const { return state_ != kInitial && state_ != kHookReady; }

  private:
    TrayPlatform& platform_;
    bool haveShellWindows_ = false;
    uintptr_t state_ = kInitial;
};

// Command 1004. Filtering off: switch it on without a password and start
// time logging (true). Filtering on: the password dialog is wanted (false).
bool switchFromMenu(ServiceCalls& service);

// OK of the password dialog. The password entry matched: filtering is
// switched with it and time logging follows the new state (true, the
// dialog closes). Otherwise false: the caller shows "Incorrect Password",
// empties the field and keeps the dialog open; nothing is counted.
bool passwordDialogOk(const std::string& fieldText, ServiceCalls& service);

}  // namespace tb::tray
