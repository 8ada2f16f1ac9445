// ANSI case folding as the whole system uses it: only the letters A-Z and
// a-z change; every other byte, including those above 127, stays.
#pragma once

#include <string>
#include <string_view>

namespace tb {

constexpr char asciiLower(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }
constexpr char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

inline void lowerInPlace(std::string& s) {
    for (char& c : s) c = asciiLower(c);
}
inline void upperInPlace(std::string& s) {
    for (char& c : s) c = asciiUpper(c);
}
inline std::string lowered(std::string_view s) {
    std::string out(s);
    lowerInPlace(out);
    return out;
}

inline bool contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}
inline bool endsWith(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}
inline bool startsWith(std::string_view text, std::string_view head) {
    return text.substr(0, head.size()) == head;
}

// The text as a C string would see it: everything before the first NUL.
inline std::string_view cString(std::string_view s) { return s.substr(0, s.find('\0')); }

}  // namespace tb
