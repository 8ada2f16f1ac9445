#include "common/list_encoding.h"

#include "common/ansi_text.h"

namespace tb {

namespace {

bool keptPlain(char c) { return c == '/' || c == '\r' || c == '\n'; }

}  // namespace

void scrambleListText(std::string& text, ScrambleMode mode, std::string_view key) {
    const bool encode = mode == ScrambleMode::Encode;
    if (encode) upperInPlace(text);
    size_t k = 0;
    for (size_t p = 0; p < text.size(); ++p) {
        const char c = text[p];
        if (p == 4 || keptPlain(c)) {
            k = 0;
            continue;
        }
        // The key byte as a signed 8-bit value, divided with truncation.
        const int d = key.empty() ? 0 : static_cast<signed char>(key[k]) / 10;
        if (encode) {
            const char e = static_cast<char>(static_cast<unsigned char>(c) + d);
            if (!keptPlain(e)) text[p] = e;
        } else {
            text[p] = static_cast<char>(static_cast<unsigned char>(c) - d);
        }
        k = (k + 1 < key.size()) ? k + 1 : 0;
    }
    if (!encode) lowerInPlace(text);
}

}  // namespace tb
