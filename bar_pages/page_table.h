// The bar page table: four 300-byte buffers one after the other, each
// holding one zero-terminated address, filled once from the scrambled
// bytes and never changed by the library afterwards (its callers may
// lower-case the texts in place).
#pragma once

#include <cstddef>

#include "bar_pages/scrambled_pages.h"

namespace tb::pages {

inline constexpr size_t kPageBufferSize = 300;
inline constexpr size_t kPageCount = 4;
inline constexpr size_t kPageTableSize = kPageBufferSize * kPageCount;

// The buffers in table order.
enum class PageSlot : size_t { Nav = 0, MicroAd = 1, Referrer = 2, MainBar = 3 };

struct PageTable {
    char bytes[kPageTableSize] = {};

    char* text(PageSlot slot) { return bytes + static_cast<size_t>(slot) * kPageBufferSize; }
};

// Lays the scrambled bytes out, turns each into its character and copies
// the text up to its terminator into the buffer: at most 299 characters and
// always a terminator.
void layOutText(const ScrambledText& source, char* buffer);

// Fills the buffers in the order main bar page, referrer, advertisement
// pane, navigation page.
void fillPageTable(PageTable& table);

}  // namespace tb::pages
