// The notification-area icon on Win32: the hidden window (dialog 206) that
// receives the icon's messages and the menu's commands, Shell_NotifyIcon,
// the popup menu, and starting the Manager.
#pragma once

#include <windows.h>
#include <shellapi.h>
#include <wrl/client.h>

#include <functional>

#include "service/process/service_calls.h"
#include "service/process/tray_model.h"

namespace tb::tray {

class Win32TrayPlatform : public TrayPlatform {
  public:
    // initializeHook calls the hook library's THInitialize(NULL).
    Win32TrayPlatform(HMODULE module, std::function<void()> initializeHook, LPARAM windowContext);

    void createShellWindows() override;
    void initializeHook() override;
    uintptr_t createTrayWindow() override;
    bool addIcon(uintptr_t window, int icon) override;
    bool modifyIcon(uintptr_t window, int icon) override;
    bool deleteIcon(uintptr_t window) override;
    void destroyTrayWindow(uintptr_t window) override;

    // The notification data kept for every later modify.
    const NOTIFYICONDATAA& data() const { return data_; }
    int iconShown() const { return iconShown_; }

  private:
    bool notify(DWORD message, uintptr_t window, int icon);

    HMODULE module_;
    std::function<void()> initializeHook_;
    LPARAM windowContext_;
    Microsoft::WRL::ComPtr<IUnknown> shellWindows_;
    NOTIFYICONDATAA data_{};
    int iconShown_ = 0;
};

// The tray of the service: the icon's states and what its window does.
class TrayHost {
  public:
    TrayHost(HMODULE module, ServiceCalls& service, std::function<void()> initializeHook);

    // toggleFilter's icon step (the filter switch after every TBOn).
    void showState(bool filterOn) { icon_.showState(filterOn); }
    TrayIcon& icon() { return icon_; }
    Win32TrayPlatform& platform() { return platform_; }
    HWND window() const {
        return icon_.hasWindow() ? reinterpret_cast<HWND>(icon_.state()) : nullptr;
    }

    void onCommand(int command);
    void onIconMessage(WPARAM iconId, LPARAM mouseMessage);
    void showMenu();

  private:
    ServiceCalls& service_;
    Win32TrayPlatform platform_;
    TrayIcon icon_;
};

INT_PTR CALLBACK trayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Starts "TAMBERLY.exe" from the directory of the service's program file,
// whatever the current directory is; the current directory is the same
// afterwards. False when nothing was started.
bool startManager();

}  // namespace tb::tray
