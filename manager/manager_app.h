// CManagerApp: the one application object of Tamberly.exe. It keeps to one
// running copy, connects to the filtering service, asks for the password and
// shows the settings sheet; when the sheet closes the program ends.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <string>

#include "common/com_holders.h"
#include "common/tbserv.h"

namespace tb::manager {

class CManagerApp {
  public:
    static CManagerApp& instance();

    // The start-up routine. Always false: no message loop follows.
    bool initInstance();
    // Asks the service for its uninstall, which takes the password.
    void uninstall();

    Microsoft::WRL::ComPtr<ILog> log() const { return log_; }
    const std::string& password() const { return password_; }
    void rememberPassword(const std::string& password) { password_ = password; }
    int& failureCount() { return failures_; }
    HWND mainWindow() const { return mainWindow_; }
    void setMainWindow(HWND hwnd) { mainWindow_ = hwnd; }
    HICON icon() const { return icon_; }

    ~CManagerApp();

  private:
    CManagerApp() = default;
    bool claimSingleInstance();
    void connectToService();

    ScopedHandle mutex_;
    Microsoft::WRL::ComPtr<ILog> log_;
    std::string password_;
    int failures_ = 0;
    HWND mainWindow_ = nullptr;
    HICON icon_ = nullptr;
};

}  // namespace tb::manager
