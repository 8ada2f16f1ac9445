// The four bar page addresses in their scrambled form, terminator included,
// as the build writes them from the vendor configuration
// (scrambled_pages.cpp in the build tree, made by bar_page_scrambler).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tb::pages {

struct ScrambledText {
    const uint8_t* bytes;
    size_t size;
};

extern const ScrambledText kScrambledMainBarPage;
extern const ScrambledText kScrambledReferrerPage;
extern const ScrambledText kScrambledMicroAdPage;
extern const ScrambledText kScrambledNavPage;

}  // namespace tb::pages
