#include "service/process/hook_companion_win32.h"

#include <utility>

#include "hook/hook_companion.h"

namespace tb {

HookCompanion::HookCompanion(const std::wstring& program) : program_(program) {
    wchar_t full[MAX_PATH];
    const DWORD n = GetFullPathNameW(program.c_str(), MAX_PATH, full, nullptr);
    if (n > 0 && n < MAX_PATH) program_.assign(full, n);
}

HookCompanion::~HookCompanion() {
    HANDLE wait = nullptr;
    {
        std::lock_guard<std::mutex> hold(lock_);
        closing_ = true;
        wait = std::exchange(wait_, nullptr);
    }
    if (wait) UnregisterWaitEx(wait, INVALID_HANDLE_VALUE);
}

void HookCompanion::start(bool filterOn) {
    std::lock_guard<std::mutex> hold(lock_);
    on_ = filterOn;
    started_ = true;
    launch();
}

void CALLBACK HookCompanion::ended(void* self, BOOLEAN) {
    static_cast<HookCompanion*>(self)->relaunch();
}

// The companion has ended: it starts again, at most once a second, so that
// one that cannot run does not keep the machine busy.
void HookCompanion::relaunch() {
    DWORD sinceLaunch = 0;
    {
        std::lock_guard<std::mutex> hold(lock_);
        if (closing_ || !started_ || running()) return;
        sinceLaunch = GetTickCount() - launchedAt_;
    }
    if (sinceLaunch < 1000) Sleep(1000 - sinceLaunch);
    std::lock_guard<std::mutex> hold(lock_);
    if (closing_ || running()) return;
    launch();
}

void HookCompanion::filterOn(bool on) {
    std::lock_guard<std::mutex> hold(lock_);
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
    launchedAt_ = GetTickCount();
    // The wait on the companion that ended (its callback may be the caller).
    if (wait_) UnregisterWait(std::exchange(wait_, nullptr));
    process_.reset(process.hProcess);
    RegisterWaitForSingleObject(&wait_, process_.get(), ended, this, INFINITE,
                                WT_EXECUTEONLYONCE | WT_EXECUTELONGFUNCTION);
    // Its window is there once it waits for input: switches from now on reach it.
    WaitForInputIdle(process.hProcess, 5000);
#endif
}

}  // namespace tb
