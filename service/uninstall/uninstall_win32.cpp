#include "service/uninstall/uninstall_win32.h"

#include <windows.h>

#include <vector>

#include "common/registry_win32.h"

namespace tb::uninstall {

namespace {

// A library loaded for one call and unloaded after it.
class LoadedLibrary {
  public:
    explicit LoadedLibrary(const char* name) : module_(LoadLibraryA(name)) {}
    ~LoadedLibrary() {
        if (module_) FreeLibrary(module_);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    template <class F>
    F find(const char* name) const {
        return module_ ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)))
                       : nullptr;
    }

  private:
    HMODULE module_;
};

std::string wow64Directory() {
    char dir[MAX_PATH] = {};
    const UINT n = GetSystemWow64DirectoryA(dir, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(dir, n) : std::string();
}

}  // namespace

Wow64Machine::Wow64Machine(std::string systemDir)
    : registry_(std::make_unique<Win32Registry>(KEY_WOW64_32KEY)),
      side_{std::move(systemDir), *registry_} {}

std::unique_ptr<Wow64Machine> Wow64Machine::detect() {
    std::string dir = wow64Directory();
    if (dir.empty()) return nullptr;
    return std::unique_ptr<Wow64Machine>(new Wow64Machine(std::move(dir)));
}

std::string systemDirectory() {
    std::vector<char> buffer(MAX_PATH);
    const UINT n = GetSystemDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
    if (n == 0) return {};
    if (n >= buffer.size()) {
        buffer.resize(n + 1);
        GetSystemDirectoryA(buffer.data(), static_cast<UINT>(buffer.size()));
    }
    return buffer.data();
}

void restoreProxyThroughTbreglib() {
    using Restore = BOOL(WINAPI*)();
    LoadedLibrary library("tbreglib");
    if (auto ie = library.find<Restore>("RestoreAllIEProxy")) ie();
    if (auto ns = library.find<Restore>("RestoreAllNSProxy")) ns();
}

void Win32UninstallSystem::unregisterLibrary(const std::string& path) {
    using Unregister = HRESULT(STDAPICALLTYPE*)();
    LoadedLibrary library(path.c_str());
    if (auto unregister = library.find<Unregister>("DllUnregisterServer")) unregister();
}

// A 64-bit process cannot load a 32-bit library: the 32-bit regsvr32 of the
// same directory unregisters it, in the registry view it was registered in.
void Win32UninstallSystem::unregisterLibrary32(const std::string& path) {
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    const std::string dir = path.substr(0, path.find_last_of('\\') + 1);
    std::string commandLine = "\"" + dir + "regsvr32.exe\" /u /s \"" + path + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return;
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

void Win32UninstallSystem::unregisterService() {
    if (hooks_.unregisterService) hooks_.unregisterService();
}

bool Win32UninstallSystem::enableShutdownPrivilege() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
        // The Windows 95 family has no tokens and needs no privilege.
        return GetLastError() == ERROR_CALL_NOT_IMPLEMENTED;
    }
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    bool enabled = false;
    if (LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
        SetLastError(ERROR_SUCCESS);
        AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
        enabled = GetLastError() == ERROR_SUCCESS;
    }
    CloseHandle(token);
    return enabled;
}

void Win32UninstallSystem::restartWindows() {
    if (hooks_.restart) {
        hooks_.restart();
    } else {
        ExitWindowsEx(EWX_REBOOT, 0);
    }
}

void Win32UninstallSystem::restoreProxySettings() {
    restoreProxyThroughTbreglib();
}

void Win32UninstallSystem::deleteFile(const std::string& path) {
    DeleteFileA(path.c_str());
}

void Win32UninstallSystem::removeDirectory(const std::string& path) {
    RemoveDirectoryA(path.c_str());
}

void Win32UninstallSystem::endService() {
    if (hooks_.endService) hooks_.endService();
}

}  // namespace tb::uninstall
