#include "tools/browser_host/box_answerer.h"

#include <vector>

#include "common/com_convert.h"
#include "tools/browser_host/script.h"

namespace tb::host {

namespace {

constexpr int kMessageText = 0xFFFF;  // the static control of a message box

std::string windowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int n = GetWindowTextW(window, text.data(), length + 1);
    return toAnsi(text.c_str(), static_cast<size_t>(n > 0 ? n : 0));
}

BOOL CALLBACK collectDialogs(HWND window, LPARAM param) {
    wchar_t cls[16] = L"";
    GetClassNameW(window, cls, 16);
    // A box is answered once it is up: before that its texts may not be set.
    if (wcscmp(cls, L"#32770") == 0 && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

// The box's answer button: OK where there is one, else the first button.
HWND answerButton(HWND box) {
    if (HWND ok = GetDlgItem(box, IDOK)) return ok;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t cls[16] = L"";
        GetClassNameW(child, cls, 16);
        if (_wcsicmp(cls, L"Button") == 0) return child;
    }
    return nullptr;
}

}  // namespace

void BoxAnswerer::answer(DWORD threadId, const std::string& window) {
    std::vector<HWND> boxes;
    EnumThreadWindows(threadId, collectDialogs, reinterpret_cast<LPARAM>(&boxes));
    for (HWND box : boxes) {
        if (pressed_.count(box) && IsWindow(box)) continue;
        pressed_.insert(box);
        const HWND textControl = GetDlgItem(box, kMessageText);
        out_.line(outputLine(
            "msgbox", window,
            {{"caption", windowText(box)}, {"text", textControl ? windowText(textControl) : ""}}));
        DWORD_PTR ignored = 0;
        if (HWND button = answerButton(box)) {
            SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 2000, &ignored);
        } else {
            PostMessageW(box, WM_COMMAND, IDOK, 0);
        }
    }
    // Forget boxes that are gone (their handles may be used again).
    for (auto it = pressed_.begin(); it != pressed_.end();) {
        it = IsWindow(*it) ? std::next(it) : pressed_.erase(it);
    }
}

}  // namespace tb::host
