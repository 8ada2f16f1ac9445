#include "bar_pages/page_table.h"

#include <cstdint>
#include <cstring>

#include "bar_pages/page_scramble.h"

namespace tb::pages {

void layOutText(const ScrambledText& source, char* buffer) {
    uint8_t text[kPageBufferSize];
    const size_t laid = source.size < kPageBufferSize ? source.size : kPageBufferSize;
    std::memcpy(text, source.bytes, laid);
    size_t length = 0;
    while (length < laid && length + 1 < kPageBufferSize) {
        const uint8_t c = revealByte(text[length]);
        if (c == 0) break;
        text[length++] = c;
    }
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
}

void fillPageTable(PageTable& table) {
    layOutText(kScrambledMainBarPage, table.text(PageSlot::MainBar));
    layOutText(kScrambledReferrerPage, table.text(PageSlot::Referrer));
    layOutText(kScrambledMicroAdPage, table.text(PageSlot::MicroAd));
    layOutText(kScrambledNavPage, table.text(PageSlot::Nav));
}

}  // namespace tb::pages
