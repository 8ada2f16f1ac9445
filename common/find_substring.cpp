#include "common/find_substring.h"

#include <algorithm>

namespace tb {

namespace {

// suffixLength[i]: length of the longest suffix of pattern that ends at i.
std::vector<int> suffixLengths(std::string_view x) {
    const int m = static_cast<int>(x.size());
    std::vector<int> suff(m);
    suff[m - 1] = m;
    int g = m - 1;
    int f = m - 1;
    for (int i = m - 2; i >= 0; --i) {
        if (i > g && suff[i + m - 1 - f] < i - g) {
            suff[i] = suff[i + m - 1 - f];
        } else {
            g = std::min(g, i);
            f = i;
            while (g >= 0 && x[g] == x[g + m - 1 - f]) --g;
            suff[i] = f - g;
        }
    }
    return suff;
}

}  // namespace

SubstringFinder::SubstringFinder(std::string_view pattern) : pattern_(pattern) {
    const int m = static_cast<int>(pattern_.size());
    if (m == 0) return;
    badChar_.fill(m);
    for (int i = 0; i < m - 1; ++i) badChar_[static_cast<unsigned char>(pattern_[i])] = m - 1 - i;

    const std::vector<int> suff = suffixLengths(pattern_);
    goodSuffix_.assign(m, m);
    int j = 0;
    for (int i = m - 1; i >= 0; --i) {
        if (suff[i] == i + 1) {
            for (; j < m - 1 - i; ++j) {
                if (goodSuffix_[j] == m) goodSuffix_[j] = m - 1 - i;
            }
        }
    }
    for (int i = 0; i <= m - 2; ++i) goodSuffix_[m - 1 - suff[i]] = m - 1 - i;
}

long SubstringFinder::find(std::string_view text) const {
    const long m = static_cast<long>(pattern_.size());
    const long n = static_cast<long>(text.size());
    if (m == 0) return 0;
    if (m > n) return -1;
    long s = 0;
    while (s <= n - m) {
        long i = m - 1;
        while (i >= 0 && pattern_[i] == text[s + i]) --i;
        if (i < 0) return s;
        const long bad = badChar_[static_cast<unsigned char>(text[s + i])] - m + 1 + i;
        s += std::max<long>(goodSuffix_[i], bad);
    }
    return -1;
}

long findSubstring(std::string_view pattern, std::string_view text) {
    return SubstringFinder(pattern).find(text);
}

}  // namespace tb
