// The list encoding: every list entry, word, logged address and the password
// is kept encoded with a text key. The fifth character, '/', CR and LF stay
// plain, and each path segment starts again at the beginning of the key, so
// encoded lists can be searched by segment and sectioned by their fifth
// character without decoding them.
#pragma once

#include <string>
#include <string_view>

namespace tb {

inline constexpr char kDefaultListKey[] = "vuk5820461973";

enum class ScrambleMode { Encode = 0, Decode = 1 };

// Encodes (upper-casing first) or decodes (lower-casing last) in place.
// The length never changes.
void scrambleListText(std::string& text, ScrambleMode mode, std::string_view key);

inline std::string encoded(std::string text, std::string_view key) {
    scrambleListText(text, ScrambleMode::Encode, key);
    return text;
}
inline std::string decoded(std::string text, std::string_view key) {
    scrambleListText(text, ScrambleMode::Decode, key);
    return text;
}

}  // namespace tb
