#include "bar_pages/page_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "bar_pages/page_scramble.h"
#include "common/vendor_endpoints.h"

namespace tb::pages {
namespace {

std::vector<uint8_t> hidden(const std::string& text) {
    std::vector<uint8_t> out;
    for (char c : text) out.push_back(hideByte(static_cast<uint8_t>(c)));
    out.push_back(hideByte(0));
    return out;
}

TEST(PageScramble, RevealUndoesHideForEveryByteAndHidesTheTerminator) {
    for (int c = 0; c < 256; ++c) {
        EXPECT_EQ(revealByte(hideByte(static_cast<uint8_t>(c))), c);
    }
    EXPECT_NE(hideByte(0), 0) << "the terminator is not left in clear";
}

TEST(PageTable, EachVendorAddressLandsInItsOwnBufferInTableOrder) {
    PageTable table;
    std::memset(table.bytes, 'x', sizeof table.bytes);
    fillPageTable(table);
    EXPECT_STREQ(table.bytes + 0, vendor::kNavPage);
    EXPECT_STREQ(table.bytes + 300, vendor::kMicroAdPage);
    EXPECT_STREQ(table.bytes + 600, vendor::kReferrerPage);
    EXPECT_STREQ(table.bytes + 900, vendor::kMainBarPage);
    EXPECT_EQ(table.text(PageSlot::MainBar), table.bytes + 900);
}

TEST(PageTable, TheLibraryHoldsNoAddressInClear) {
    for (const ScrambledText* page : {&kScrambledMainBarPage, &kScrambledReferrerPage,
                                      &kScrambledMicroAdPage, &kScrambledNavPage}) {
        const std::string bytes(reinterpret_cast<const char*>(page->bytes), page->size);
        EXPECT_EQ(bytes.find("orvan"), std::string::npos);
        EXPECT_EQ(bytes.find("http"), std::string::npos);
        EXPECT_EQ(bytes.find('\0'), std::string::npos);
    }
    EXPECT_EQ(kScrambledNavPage.size, sizeof vendor::kNavPage);
}

TEST(PageTable, AnOverlongAddressIsCutTo299CharactersAndNeverWritesPastItsBuffer) {
    const std::vector<uint8_t> bytes = hidden(std::string(400, 'a'));
    char buffers[2 * kPageBufferSize];
    std::memset(buffers, '#', sizeof buffers);
    layOutText({bytes.data(), bytes.size()}, buffers);
    EXPECT_EQ(std::strlen(buffers), 299u);
    EXPECT_EQ(buffers[kPageBufferSize], '#');

    // A text without its terminator ends at the end of its bytes.
    const std::vector<uint8_t> unterminated = {hideByte('a'), hideByte('b')};
    layOutText({unterminated.data(), unterminated.size()}, buffers);
    EXPECT_STREQ(buffers, "ab");
}

}  // namespace
}  // namespace tb::pages
