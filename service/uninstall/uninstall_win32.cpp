#include "service/uninstall/uninstall_win32.h"

#include <windows.h>

#include <vector>

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

}  // namespace

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
