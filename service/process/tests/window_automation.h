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

inline HWND waitForWindow(const char* className, const char* title,
                          std::chrono::milliseconds limit = std::chrono::milliseconds(5000)) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (HWND w = FindWindowA(className, title)) return w;
        Sleep(10);
    }
    return nullptr;
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
