#include "service/process/win32_seams.h"

#include <windows.h>

#include "common/com_convert.h"

namespace tb {

int MessageBoxDialogs::show(const DialogRequest& request) {
    const std::wstring title = toWide(request.title);
    const std::wstring text = toWide(request.text);
    const int button =
        MessageBoxW(nullptr, text.c_str(), title.c_str(), MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
    return button > 0 ? button : kDialogOk;
}

std::u16string AnsiCodePageCodec::toUtf16(std::string_view ansi) const {
    const std::wstring wide = toWide(ansi);
    return std::u16string(wide.begin(), wide.end());
}

}  // namespace tb
