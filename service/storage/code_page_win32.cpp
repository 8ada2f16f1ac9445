#include "service/storage/code_page_win32.h"

#include "common/com_convert.h"

namespace tb::storage {

// wchar_t is UTF-16 on Windows, so the units carry over as they are.
static_assert(sizeof(wchar_t) == sizeof(char16_t), "UTF-16 wchar_t");

std::u16string SystemCodePage::toUtf16(std::string_view ansi) const {
    const std::wstring wide = toWide(ansi);
    return std::u16string(wide.begin(), wide.end());
}

std::string SystemCodePage::fromUtf16(std::u16string_view units) const {
    const std::wstring wide(units.begin(), units.end());
    return toAnsi(wide.data(), wide.size());
}

}  // namespace tb::storage
