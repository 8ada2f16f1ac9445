#include "browser_helper/message_boxes.h"

#include <windows.h>

#include "common/type_library.h"

namespace tb::helper {

namespace {

constexpr int kDenialBuffer = 499;
constexpr int kWarningBuffer = 100;
constexpr int kFormattedBuffer = 1024;  // the most that wsprintf writes

}  // namespace

void MessageBoxes::show(const TimedMessage& message) {
    const HINSTANCE module = thisModule();
    if (message.denial) {
        wchar_t text[kDenialBuffer] = L"";
        LoadStringW(module, static_cast<UINT>(message.stringId), text, kDenialBuffer);
        MessageBoxW(nullptr, text, kTimedAccessCaption, MB_OK | MB_ICONWARNING | MB_TASKMODAL);
        return;
    }
    wchar_t pattern[kWarningBuffer] = L"";
    LoadStringW(module, static_cast<UINT>(message.stringId), pattern, kWarningBuffer);
    wchar_t text[kFormattedBuffer] = L"";
    wsprintfW(text, pattern, message.number.value_or(0));
    MessageBoxW(nullptr, text, kTimedAccessCaption, MB_OK | MB_ICONINFORMATION);
}

}  // namespace tb::helper
