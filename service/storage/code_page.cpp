#include "service/storage/code_page.h"

namespace tb::storage {

std::u16string Latin1CodePage::toUtf16(std::string_view ansi) const {
    std::u16string out;
    out.reserve(ansi.size());
    for (char c : ansi) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return out;
}

std::string Latin1CodePage::fromUtf16(std::u16string_view units) const {
    std::string out;
    out.reserve(units.size());
    for (char16_t c : units) out.push_back(c <= 0xFF ? static_cast<char>(c) : '?');
    return out;
}

}  // namespace tb::storage
