// The machine side of uninstall: libraries, the shutdown privilege and the
// restart, tbreglib, files and folders. The service's own registration and
// its end are the process's business and come in as callbacks; so may the
// restart, which tests replace (under Wine ExitWindowsEx ends the whole
// Wine session of the prefix).
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "service/uninstall/uninstall_steps.h"

namespace tb::uninstall {

std::string systemDirectory();

// The 32-bit side of 64-bit Windows (its system directory, the 32-bit
// registry view); null on 32-bit Windows.
class Wow64Machine {
  public:
    static std::unique_ptr<Wow64Machine> detect();
    const Wow64Side& side() const { return side_; }

  private:
    explicit Wow64Machine(std::string systemDir);
    std::unique_ptr<Registry> registry_;
    Wow64Side side_;
};

// Loads "tbreglib" by name and calls RestoreAllIEProxy, then
// RestoreAllNSProxy; a missing library or export ends it quietly.
void restoreProxyThroughTbreglib();

class Win32UninstallSystem : public UninstallSystem {
  public:
    struct Hooks {
        std::function<void()> unregisterService;
        std::function<void()> endService;
        std::function<void()> restart;  // empty: ExitWindowsEx with the reboot flag
    };
    explicit Win32UninstallSystem(Hooks hooks) : hooks_(std::move(hooks)) {}

    void unregisterLibrary(const std::string& path) override;
    void unregisterLibrary32(const std::string& path) override;
    void unregisterService() override;
    bool enableShutdownPrivilege() override;
    void restartWindows() override;
    void restoreProxySettings() override;
    void deleteFile(const std::string& path) override;
    void removeDirectory(const std::string& path) override;
    void endService() override;

  private:
    Hooks hooks_;
};

}  // namespace tb::uninstall
