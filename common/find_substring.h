// Leftmost occurrence of a pattern in a text, byte-exact and case-sensitive.
// SubstringFinder keeps the Boyer-Moore tables of one pattern so that a
// pattern searched for in many texts (a blocked word) is prepared once.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace tb {

class SubstringFinder {
public:
    explicit SubstringFinder(std::string_view pattern);

    // Index of the leftmost occurrence, or -1. An empty pattern gives 0.
    long find(std::string_view text) const;
    const std::string& pattern() const { return pattern_; }

private:
    std::string pattern_;
    std::array<int, 256> badChar_{};  // shift for the mismatching text byte
    std::vector<int> goodSuffix_;     // shift for the matched suffix
};

long findSubstring(std::string_view pattern, std::string_view text);

}  // namespace tb
