#include "common/address.h"

#include <array>

#include "common/ansi_text.h"

namespace tb {

namespace {

constexpr std::array<std::string_view, 8> kSchemes = {
    "http://", "https://", "ftp://", "doc://", "file://", "news:", "news://", "mailto:"};

}  // namespace

std::string stripScheme(std::string_view address) {
    const std::string s = lowered(address);
    size_t start = 0;
    // A scheme absent from position start is absent from every later start,
    // so each one is given up for good once it is not found.
    std::array<bool, kSchemes.size()> absent{};
    for (;;) {
        bool cut = false;
        for (size_t k = 0; k < kSchemes.size() && !cut; ++k) {
            if (absent[k]) continue;
            const size_t p = s.find(kSchemes[k], start);
            if (p == std::string::npos) {
                absent[k] = true;
                continue;
            }
            start = p + kSchemes[k].size();
            cut = true;
        }
        if (!cut) break;
    }
    if (start == 0) {
        for (size_t i = 1; i + 1 < s.size(); ++i) {
            if (s[i] == '/' && s[i - 1] == ':') {
                start = i + 1;
                break;
            }
        }
    }
    return start < s.size() ? s.substr(start) : s;
}

bool isWebAddress(std::string_view address) {
    if (address.size() >= 2 && address[1] == ':') return false;
    return !startsWith(address, "//");
}

}  // namespace tb
