#include "service/process/tray_win32.h"

#include <exdisp.h>

#include <string>
#include <vector>

#include "common/com_error.h"
#include "service/process/process_resources.h"
#include "service/process/service_dialogs_win32.h"

namespace tb::tray {

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

std::string programDirectory() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD n =
            GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            std::string path(buffer.data(), n);
            const size_t slash = path.find_last_of("\\/");
            return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
        }
        buffer.resize(buffer.size() * 2);
    }
}

bool shiftHeld() {
    return GetKeyState(VK_SHIFT) < 0;
}

}  // namespace

bool startManager() {
    const std::string remembered = currentDirectory();
    const std::string directory = programDirectory();
    if (remembered.empty() || directory.empty() || !SetCurrentDirectoryA(directory.c_str()))
        return false;
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessA("TAMBERLY.exe", nullptr, nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
    if (started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    SetCurrentDirectoryA(remembered.c_str());
    return started;
}

// --- The platform -------------------------------------------------------------

Win32TrayPlatform::Win32TrayPlatform(HMODULE module, std::function<void()> initializeHook,
                                     LPARAM windowContext)
    : module_(module), initializeHook_(std::move(initializeHook)), windowContext_(windowContext) {}

void Win32TrayPlatform::createShellWindows() {
    // Held until the process ends; the service works without it.
    CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_IUnknown,
                     reinterpret_cast<void**>(shellWindows_.ReleaseAndGetAddressOf()));
}

void Win32TrayPlatform::initializeHook() {
    if (initializeHook_) initializeHook_();
}

uintptr_t Win32TrayPlatform::createTrayWindow() {
    return reinterpret_cast<uintptr_t>(CreateDialogParamW(
        module_, MAKEINTRESOURCEW(IDD_TRAY_WINDOW), nullptr, trayWindowProc, windowContext_));
}

bool Win32TrayPlatform::notify(DWORD message, uintptr_t window, int icon) {
    data_ = NOTIFYICONDATAA{};
    data_.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data_.hWnd = reinterpret_cast<HWND>(window);
    data_.uID = kIconId;
    data_.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data_.uCallbackMessage = kCallbackMessage;
    data_.hIcon = static_cast<HICON>(LoadImageW(module_, MAKEINTRESOURCEW(icon), IMAGE_ICON,
                                                GetSystemMetrics(SM_CXSMICON),
                                                GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    iconShown_ = icon;
    return Shell_NotifyIconA(message, &data_) != FALSE;
}

bool Win32TrayPlatform::addIcon(uintptr_t window, int icon) {
    return notify(NIM_ADD, window, icon);
}

bool Win32TrayPlatform::modifyIcon(uintptr_t window, int icon) {
    return notify(NIM_MODIFY, window, icon);
}

bool Win32TrayPlatform::deleteIcon(uintptr_t window) {
    NOTIFYICONDATAA data{};
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.hWnd = reinterpret_cast<HWND>(window);
    data.uID = kIconId;
    iconShown_ = 0;
    return Shell_NotifyIconA(NIM_DELETE, &data) != FALSE;
}

void Win32TrayPlatform::destroyTrayWindow(uintptr_t window) {
    DestroyWindow(reinterpret_cast<HWND>(window));
}

// --- The window -----------------------------------------------------------------

TrayHost::TrayHost(HMODULE module, ServiceCalls& service, std::function<void()> initializeHook)
    : service_(service),
      platform_(module, std::move(initializeHook), reinterpret_cast<LPARAM>(this)),
      icon_(platform_) {}

void TrayHost::onCommand(int command) {
    switch (actionForCommand(command, shiftHeld())) {
        case Action::ShowAbout:
            service_.showAbout();
            break;
        case Action::ShowCredits:
            showCredits();
            break;
        case Action::SwitchFilter:
            if (!switchFromMenu(service_)) showPasswordDialog(service_);
            break;
        case Action::StartManager:
            startManager();
            break;
        case Action::ShowUninstall:
            showUninstallDialog(service_);
            break;
        case Action::RemoveIcon:
            icon_.removeIcon();
            break;
        default:
            break;
    }
}

void TrayHost::onIconMessage(WPARAM iconId, LPARAM mouseMessage) {
    switch (actionForMouse(static_cast<uint32_t>(iconId), static_cast<uint32_t>(mouseMessage))) {
        case Action::StartManager:
            startManager();
            break;
        case Action::ShowMenu:
            showMenu();
            break;
        default:
            break;
    }
}

void TrayHost::showMenu() {
    HWND owner = window();
    if (!owner) return;
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    for (const MenuItem& item : trayMenu()) {
        if (item.command == 0) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        } else {
            AppendMenuA(menu, MF_STRING, item.command, item.text.c_str());
        }
    }
    POINT at{};
    GetCursorPos(&at);
    SetForegroundWindow(owner);
    TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr);
    PostMessageW(owner, WM_USER, 0, 0);
    DestroyMenu(menu);
}

INT_PTR CALLBACK trayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        return TRUE;
    }
    auto* host = reinterpret_cast<TrayHost*>(GetWindowLongPtrW(window, DWLP_USER));
    // No error may leave a window procedure; a Log instance that cannot be
    // made leaves the command undone.
    switch (message) {
        case WM_DESTROY:
            return TRUE;
        case WM_COMMAND:
            if (host)
                comGuard([&] {
                    host->onCommand(LOWORD(wParam));
                    return S_OK;
                });
            return TRUE;
        case kCallbackMessage:
            if (host)
                comGuard([&] {
                    host->onIconMessage(wParam, lParam);
                    return S_OK;
                });
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace tb::tray
