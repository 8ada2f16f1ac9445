// Window automation for the service's dialogs in tests: run a modal dialog
// on its own thread, find it by title, read its controls, press buttons.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <future>
#include <string>
#include <thread>

namespace tb::testing {

// A window is ready for automation once it is shown: DialogBox shows a
// dialog after its controls exist and WM_INITDIALOG has run.
inline HWND waitForShownWindow(const char* className, const char* title,
                               std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        HWND w = FindWindowA(className, title);
        if (w && IsWindowVisible(w)) return w;
        Sleep(10);
    }
    return nullptr;
}

inline HWND waitForDialog(const char* title) {
    return waitForShownWindow("#32770", title);
}

// Closes every dialog of this process that automation left open, so that a
// failed test does not hang the suite.
inline void closeStrayDialogs() {
    EnumWindows(
        [](HWND w, LPARAM) CALLBACK -> BOOL {
            DWORD pid = 0;
            char cls[16] = {};
            GetWindowThreadProcessId(w, &pid);
            GetClassNameA(w, cls, sizeof cls);
            if (pid == GetCurrentProcessId() && lstrcmpA(cls, "#32770") == 0)
                PostMessageA(w, WM_CLOSE, 0, 0);
            return TRUE;
        },
        0);
}

// Waits for a dialog thread's result; on a time-out the dialogs are closed
// so that the thread ends. False when it had to be forced.
template <class Future>
bool finished(Future& future, std::chrono::milliseconds limit = std::chrono::milliseconds(10000)) {
    if (future.wait_for(limit) == std::future_status::ready) return true;
    while (future.wait_for(std::chrono::milliseconds(100)) != std::future_status::ready)
        closeStrayDialogs();
    return false;
}

inline bool waitUntilGone(HWND window,
                          std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (!IsWindow(window)) return true;
        Sleep(10);
    }
    return false;
}

inline std::string controlText(HWND dialog, int id) {
    char text[1024] = {};
    SendDlgItemMessageA(dialog, id, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

inline void setControlText(HWND dialog, int id, const std::string& text) {
    SendDlgItemMessageA(dialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

inline void click(HWND dialog, int id) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

// Runs body (which shows a modal dialog) on a thread of its own.
template <class Body>
auto onDialogThread(Body body) {
    return std::async(std::launch::async, std::move(body));
}

}  // namespace tb::testing
