#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "browser_helper/content_text.h"
#include "browser_helper/navigation_rules.h"
#include "browser_helper/shared_state.h"
#include "browser_helper/time_warning.h"

namespace tb::helper {
namespace {

TEST(WebAddress, IsASchemeAnywhereInTheAddressAndCaseSensitive) {
    EXPECT_TRUE(isWebNavigation("http://a.example/"));
    EXPECT_TRUE(isWebNavigation("https://a.example/"));
    EXPECT_TRUE(isWebNavigation("ftp://files.example/x"));
    EXPECT_TRUE(isWebNavigation("file:///c:/page.htm?next=http://b.example/"));
    EXPECT_FALSE(isWebNavigation("HTTP://A.EXAMPLE/"));
    EXPECT_FALSE(isWebNavigation("file:///c:/windows/restricted1.htm"));
    EXPECT_FALSE(isWebNavigation("about:blank"));
    EXPECT_FALSE(isWebNavigation("res://ieframe.dll/navcancl.htm"));
    EXPECT_FALSE(isWebNavigation("http:/broken"));
    EXPECT_FALSE(isWebNavigation(""));
}

TEST(WebAddress, VendorAddressesHoldTheDomainAnywhere) {
    EXPECT_TRUE(isVendorAddress("http://www.orvan.com/tamberly/tamberlyupdate.asp"));
    EXPECT_TRUE(isVendorAddress("file:///x?orvan.com"));
    EXPECT_FALSE(isVendorAddress("http://www.ORVAN.COM/"));
    EXPECT_FALSE(isVendorAddress("http://orvan.co/"));
}

TEST(TimeBands, BoundariesFallOnWholeMinutes) {
    EXPECT_EQ(bandFor(86400), TimeBand::None);
    EXPECT_EQ(bandFor(1801), TimeBand::None);
    EXPECT_EQ(bandFor(1800), TimeBand::A);
    EXPECT_EQ(bandFor(601), TimeBand::A);
    EXPECT_EQ(bandFor(600), TimeBand::B);
    EXPECT_EQ(bandFor(301), TimeBand::B);
    EXPECT_EQ(bandFor(300), TimeBand::C);
    EXPECT_EQ(bandFor(61), TimeBand::C);
    EXPECT_EQ(bandFor(60), TimeBand::D);
    EXPECT_EQ(bandFor(0), TimeBand::D);
    EXPECT_EQ(bandFor(-100), TimeBand::D);
}

struct Shown {
    int id;
    int number;
    bool operator==(const Shown& o) const { return id == o.id && number == o.number; }
};

std::optional<Shown> warn(WarningBands& bands, int32_t seconds) {
    const std::optional<TimedMessage> m = bands.next(seconds);
    if (!m) return std::nullopt;
    EXPECT_FALSE(m->denial);
    EXPECT_TRUE(m->number.has_value());
    return Shown{m->stringId, m->number.value_or(-1)};
}

TEST(TimeWarnings, EachBandWarnsOnceOnTheWayDown) {
    WarningBands bands;
    EXPECT_EQ(warn(bands, 31 * 60), std::nullopt);
    EXPECT_EQ(warn(bands, 30 * 60), (Shown{103, 30}));
    EXPECT_EQ(warn(bands, 25 * 60), std::nullopt);
    EXPECT_EQ(warn(bands, 11 * 60 + 59), std::nullopt);
    EXPECT_EQ(warn(bands, 10 * 60), (Shown{103, 10}));
    EXPECT_EQ(warn(bands, 7 * 60 + 30), std::nullopt);
    EXPECT_EQ(warn(bands, 5 * 60), (Shown{103, 5}));
    EXPECT_EQ(warn(bands, 90), std::nullopt);  // still band C
    EXPECT_EQ(warn(bands, 59), (Shown{104, 59}));
    EXPECT_EQ(warn(bands, 3), std::nullopt);
}

TEST(TimeWarnings, NumbersAreCutTowardZero) {
    WarningBands bands;
    EXPECT_EQ(warn(bands, 90), (Shown{103, 1}));
    WarningBands other;
    EXPECT_EQ(warn(other, 29 * 60 + 59), (Shown{103, 29}));
}

TEST(TimeWarnings, ANewDayAboveThirtyMinutesReArmsEveryBand) {
    WarningBands bands;
    ASSERT_TRUE(warn(bands, 1800));
    ASSERT_TRUE(warn(bands, 59));
    EXPECT_EQ(warn(bands, 86400), std::nullopt);
    for (TimeBand b : {TimeBand::A, TimeBand::B, TimeBand::C, TimeBand::D})
        EXPECT_FALSE(bands.warned(b));
    EXPECT_EQ(warn(bands, 1800), (Shown{103, 30}));
    EXPECT_EQ(warn(bands, 59), (Shown{104, 59}));
}

TEST(TimeWarnings, EnteringABandReArmsTheOthers) {
    // The allowance raised by the parent: from band B back up to band A.
    WarningBands bands;
    ASSERT_TRUE(warn(bands, 20 * 60));
    ASSERT_TRUE(warn(bands, 8 * 60));
    EXPECT_EQ(warn(bands, 20 * 60), (Shown{103, 20}));
    EXPECT_EQ(warn(bands, 8 * 60), (Shown{103, 8}));
}

DocumentText doc(std::string url, std::vector<std::optional<std::string>> pieces) {
    return DocumentText{std::move(url), std::move(pieces)};
}

TEST(ContentText, AddressThenEveryPresentPieceEachFollowedByASpace) {
    EXPECT_EQ(buildContentText(doc("http://a/", {})), "http://a/ ");
    EXPECT_EQ(buildContentText(doc("http://a/", {"Title", std::nullopt, "keywords", "cards dice"})),
              "http://a/ Title keywords cards dice ");
    EXPECT_EQ(buildContentText(doc("u", {std::string()})), "u  ");
}

TEST(ContentText, PiecesThatDoNotFitBelowTheBoundAreSkippedButStillSpaced) {
    const std::string url = "http://a/";  // text starts at 10 characters
    // After the skipped piece and its space the text has 11 characters.
    const std::string fits(kContentBound - 12, 'x');
    const std::string tooLong(kContentBound - 10, 'y');
    std::string text = buildContentText(doc(url, {tooLong, fits, "z"}));
    EXPECT_EQ(text, url + "  " + fits + "  ");
    EXPECT_EQ(text.find('y'), std::string::npos);
    EXPECT_EQ(text.find('z'), std::string::npos);

    // Spaces alone may carry the text past the bound; what is sent is cut.
    std::vector<std::optional<std::string>> many(6000, std::string());
    text = buildContentText(doc(url, many));
    EXPECT_EQ(text.size(), url.size() + 1 + 6000);
    EXPECT_EQ(contentToSend(text).size(), kContentSent);
    EXPECT_EQ(contentToSend("short"), "short");
}

TEST(ContentMark, ADocumentIsSentAgainOnlyWhenItsTextGrew) {
    ContentMark mark;
    EXPECT_FALSE(mark.admit("http://a/", 1));
    EXPECT_TRUE(mark.admit("http://a/", 12));
    EXPECT_FALSE(mark.admit("http://a/", 12));
    EXPECT_FALSE(mark.admit("http://a/", 8));
    EXPECT_TRUE(mark.admit("http://a/", 30));
    EXPECT_EQ(mark.lastCheckedLength(), 30);
    // Another document starts from nothing, case-sensitively compared.
    EXPECT_TRUE(mark.admit("http://A/", 12));
    EXPECT_EQ(mark.lastCheckedUrl(), "http://A/");
    mark.reset();
    EXPECT_EQ(mark.lastCheckedUrl(), "");
    EXPECT_TRUE(mark.admit("http://A/", 12));
}

TEST(SharedState, TwoWindowsAskingAtOnceWarnOnce) {
    for (int round = 0; round < 50; ++round) {
        SharedState shared;
        std::atomic<int> messages{0};
        std::vector<std::thread> windows;
        for (int w = 0; w < 8; ++w) {
            windows.emplace_back([&] {
                if (shared.timeLeftWarning(1700)) ++messages;
            });
        }
        for (std::thread& t : windows) t.join();
        ASSERT_EQ(messages.load(), 1);
    }
}

// Without the lock the address string is torn while another window
// replaces it (the sanitizers and the heap see it).
TEST(SharedState, ConcurrentDocumentsKeepOneConsistentRecord) {
    SharedState shared;
    std::vector<std::thread> windows;
    for (int w = 0; w < 4; ++w) {
        windows.emplace_back([&shared, w] {
            const std::string url = "http://window" + std::to_string(w) + "/";
            for (size_t length = 2; length < 2000; ++length) shared.admitContent(url, length + w);
        });
    }
    for (std::thread& t : windows) t.join();
    const ContentMark mark = shared.contentMark();
    const int w = mark.lastCheckedUrl()[13] - '0';
    ASSERT_GE(w, 0);
    ASSERT_LT(w, 4);
    EXPECT_LE(mark.lastCheckedLength(), 1999 + w);
}

}  // namespace
}  // namespace tb::helper
