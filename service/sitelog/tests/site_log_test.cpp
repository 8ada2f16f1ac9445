#include "service/sitelog/site_log.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace tb {
namespace {

class FakeClock : public Clock {
  public:
    std::optional<int32_t> networkTime() override { return network; }
    int32_t localTime() override { return local; }
    std::optional<int32_t> network = 5000;
    int32_t local = 100;
};

// A code page where byte 0x80 is the euro sign (U+20AC) and bytes from 0xA0
// are the code units of the same value.
class EuroCodec : public TextCodec {
  public:
    std::u16string toUtf16(std::string_view ansi) const override {
        std::u16string out;
        for (char c : ansi) {
            const auto b = static_cast<unsigned char>(c);
            out.push_back(b == 0x80 ? char16_t{0x20AC} : char16_t{b});
        }
        return out;
    }
};

std::vector<std::string> addressesOf(const SiteLog& log) {
    std::vector<std::string> out;
    for (const auto& [key, record] : log.records()) out.push_back(record->address);
    return out;
}

class SiteLogTest : public ::testing::Test {
  protected:
    FakeClock clock_;
    Latin1Codec codec_;
    SiteLogs logs_{clock_, codec_};
};

TEST_F(SiteLogTest, WebAddressesTakeTheNetworkTimeOthersTheComputersClock) {
    logs_.logAddress("a.example", SiteLogKind::Visited);
    logs_.logAddress("c:/dir/file.htm", SiteLogKind::Visited);
    logs_.logAddress("//server/share", SiteLogKind::Blocked);
    EXPECT_EQ(logs_.findVisited("a.example")->lastVisit, 5000);
    EXPECT_EQ(logs_.findVisited("c:/dir/file.htm")->lastVisit, 100);
    EXPECT_EQ(logs_.blocked().find(u"//server/share")->lastVisit, 100);
    clock_.network.reset();  // no network time: the computer's clock stands in
    logs_.logAddress("b.example", SiteLogKind::Visited);
    EXPECT_EQ(logs_.findVisited("b.example")->lastVisit, 100);
}

TEST_F(SiteLogTest, EnteringALoggedAddressAgainStartsItOver) {
    logs_.logAddress("a.example", SiteLogKind::Visited);
    SiteRecordPtr first = logs_.findVisited("a.example");
    first->allowed = 0;
    first->hits = 7;
    clock_.network = 6000;
    logs_.logAddress("a.example", SiteLogKind::Visited);
    const SiteRecordPtr again = logs_.findVisited("a.example");
    EXPECT_EQ(again->allowed, 1);
    EXPECT_EQ(again->hits, 1);
    EXPECT_EQ(again->lastVisit, 6000);
    EXPECT_EQ(logs_.visited().size(), 1u);
    EXPECT_EQ(first->hits, 7);  // a record handed out stays as it was
}

TEST_F(SiteLogTest, AFullLogLosesItsTwoHundredFiftyOldestRecords) {
    for (int i = 0; i < 501; ++i) {
        clock_.network = 1000 + (i * 7919) % 501;  // every time once, in mixed order
        logs_.logAddress("site" + std::to_string(i) + ".example", SiteLogKind::Visited);
    }
    EXPECT_EQ(logs_.visited().size(), 501u);
    clock_.network = 9999;
    logs_.logAddress("new.example", SiteLogKind::Visited);
    EXPECT_EQ(logs_.visited().size(), 252u);
    for (const auto& [key, record] : logs_.visited().records()) EXPECT_GE(record->lastVisit, 1250);
    EXPECT_TRUE(logs_.findVisited("new.example"));
}

TEST_F(SiteLogTest, PruningTakesTheFirstInKeyOrderAmongEqualTimes) {
    SiteLog log;
    for (int i = 0; i < 501; ++i) {
        char name[8];
        std::snprintf(name, sizeof name, "k%03d", 500 - i);
        std::string key(name);
        log.enter(std::u16string(key.begin(), key.end()), key, 42);
    }
    log.enter(u"zzz", "zzz", 43);
    ASSERT_EQ(log.size(), 252u);
    EXPECT_EQ(log.records().begin()->second->address, "k250");
}

TEST_F(SiteLogTest, KeysSortByTheirUtf16CodeUnitsShorterPrefixFirst) {
    EuroCodec euro;
    SiteLogs logs(clock_, euro);
    for (const char* a :
         {"b.example", "a.example/x", "a.example", "\x80.example", "\xA0.example", "B.example"}) {
        logs.logAddress(a, SiteLogKind::Blocked);
    }
    // The euro sign (U+20AC) sorts after U+00A0 though its byte is smaller.
    EXPECT_EQ(addressesOf(logs.blocked()),
              (std::vector<std::string>{"B.example", "a.example", "a.example/x", "b.example",
                                        "\xA0.example", "\x80.example"}));
}

}  // namespace
}  // namespace tb
