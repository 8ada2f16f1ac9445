#include "service/update/browser_launch_win32.h"

#include <windows.h>

#include <vector>

#include "common/registry_win32.h"
#include "service/update/browser_launch.h"

namespace tb::update {

namespace {

std::string currentDirectory() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = GetCurrentDirectoryA(static_cast<DWORD>(buffer.size()), buffer.data());
        if (n == 0) return {};
        if (n < buffer.size()) return std::string(buffer.data(), n);
        buffer.resize(n);
    }
}

// A setup path may be written with environment variables.
std::string expanded(const std::string& path) {
    if (path.find('%') == std::string::npos) return path;
    std::vector<char> buffer(32768);
    const DWORD n =
        ExpandEnvironmentStringsA(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    return n == 0 || n > buffer.size() ? path : std::string(buffer.data());
}

}  // namespace

bool openPageInInternetExplorer(const std::string& address) {
    Win32Registry registry;
    const std::string directory = expanded(internetExplorerDirectory(registry));
    const std::string remembered = currentDirectory();
    bool started = false;
    if (!directory.empty() && SetCurrentDirectoryA(directory.c_str())) {
        std::string commandLine = internetExplorerCommandLine(address);
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           nullptr, &startup, &process)) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
            started = true;
        }
    }
    if (!remembered.empty()) SetCurrentDirectoryA(remembered.c_str());
    return started;
}

}  // namespace tb::update
