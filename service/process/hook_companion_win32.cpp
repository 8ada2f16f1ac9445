#include "service/process/hook_companion_win32.h"

#include "hook/hook_companion.h"

namespace tb {

HookCompanion::HookCompanion(const std::wstring& program) : program_(program) {
    wchar_t full[MAX_PATH];
    const DWORD n = GetFullPathNameW(program.c_str(), MAX_PATH, full, nullptr);
    if (n > 0 && n < MAX_PATH) program_.assign(full, n);
}

void HookCompanion::start(bool filterOn) {
    on_ = filterOn;
    started_ = true;
    launch();
}

void HookCompanion::filterOn(bool on) {
    on_ = on;
    if (!started_) return;  // the state goes along at the start
    if (!running()) {
        launch();
        return;
    }
    if (HWND window = FindWindowExW(HWND_MESSAGE, nullptr, hook::kCompanionWindowClass, nullptr))
        PostMessageW(window, hook::kCompanionFilterMessage, on ? 1 : 0, 0);
}

bool HookCompanion::running() const {
    return process_.valid() && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

void HookCompanion::launch() {
#ifdef _WIN64
    if (GetFileAttributesW(program_.c_str()) == INVALID_FILE_ATTRIBUTES) return;
    std::wstring commandLine =
        L"\"" + program_ + L"\" " + std::to_wstring(GetCurrentProcessId()) + (on_ ? L" 1" : L" 0");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process))
        return;
    CloseHandle(process.hThread);
    process_.reset(process.hProcess);
    // Its window is there once it waits for input: switches from now on reach it.
    WaitForInputIdle(process.hProcess, 5000);
#endif
}

}  // namespace tb
