#include "common/com_error.h"

#include <oleauto.h>

#include <cstdio>

#include "common/com_convert.h"

namespace tb {

ComCallError::ComCallError(HRESULT hr, const IID& iid, const std::string& what)
    : std::runtime_error(what), hr_(hr), iid_(iid) {}

std::string describeStatus(HRESULT hr) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08lX", static_cast<unsigned long>(hr));
    char* text = nullptr;
    const DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, static_cast<DWORD>(hr), 0, reinterpret_cast<char*>(&text), 0,
                                   nullptr);
    std::string message;
    if (n && text) {
        message.assign(text, n);
        while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' ')) {
            message.pop_back();
        }
    }
    LocalFree(text);
    return message.empty() ? std::string(code) : std::string(code) + " (" + message + ")";
}

void raiseComError(HRESULT hr, const IID& iid) {
    std::string what = describeStatus(hr);
    IErrorInfo* info = nullptr;
    if (GetErrorInfo(0, &info) == S_OK && info) {
        BSTR description = nullptr;
        if (SUCCEEDED(info->GetDescription(&description)) && description && SysStringLen(description)) {
            what += ": " + toAnsi(description);
        }
        SysFreeString(description);
        info->Release();
    }
    throw ComCallError(hr, iid, what);
}

}  // namespace tb
