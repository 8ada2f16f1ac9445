#include "service/sitelog/site_log_file.h"

#include <gtest/gtest.h>

#include "common/list_encoding.h"
#include "service/storage/byte_codec.h"
#include "service/storage/tests/memory_compound_file.h"

namespace tb::sitelog {
namespace {

using Bytes = std::vector<uint8_t>;
using storage::ByteWriter;

const storage::Latin1CodePage kLatin1;
constexpr char kKey[] = "qa7Zk";  // a working key other than the default

// A stored string of Latin-1 text, for hand-built streams.
void text(ByteWriter& out, const std::string& s) {
    out.string16(kLatin1.toUtf16(s));
}

class SiteLogFileTest : public ::testing::Test {
  protected:
    std::optional<DecodedLog> loadVisited(int32_t now = 0) {
        return loadVisitedLog(files, kVisitedLogFile, kKey, now, kLatin1);
    }
    std::optional<DecodedLog> loadBlocked() {
        return loadBlockedLog(files, kBlockedLogFile, kKey, kLatin1);
    }
    Bytes visitedStream() { return files.stream(kVisitedLogFile, kLogStream); }

    storage::testing::MemoryCompoundFiles files;
};

// The visited-site log ------------------------------------------------------

TEST(VisitedLogFormat, IsByteForByteTheTable) {
    // Key "\n": every character but the fifth moves up by one, except where
    // it would become '/', CR or LF.
    const Bytes bytes = encodeVisitedLog({{"a.b", 0, 3, 0x12345678}}, "\n", kLatin1);
    const Bytes expected{
        20,   0,    0,    0,  // header: 9 units + 2
        'W',  0,    'F',  0,   'S', 0, 'T', 0, 'I', 0, 'P', 0,
        'O',  0,    '!',  0,   '3', 0, 0,   0, 1,   0, 0,   0,  // count
        8,    0,    0,    0,   'B', 0, '.', 0, 'C', 0, 0,   0,  // "a.b": '.' + 1 is '/'
        0,                                                      // allowed
        3,    0,    0,    0,                                    // hits
        0x78, 0x56, 0x34, 0x12};                                // lastVisit
    EXPECT_EQ(bytes, expected);
}

TEST_F(SiteLogFileTest, RoundTripsEveryFieldInTheGivenOrder) {
    const std::vector<LoggedSite> sites{{"a.example/page", 1, 7, 1000},
                                        {"b.example", 0, 1, -5},
                                        {"caf\xe9.example/x?y=1", 1, 2147483647, 2000000000}};
    ASSERT_TRUE(saveVisitedLog(files, kVisitedLogFile, sites, kKey, kLatin1));
    const std::optional<DecodedLog> log = loadVisited();
    ASSERT_TRUE(log);
    EXPECT_EQ(log->format, 2);
    EXPECT_TRUE(log->complete);
    EXPECT_EQ(log->sites, sites);
    EXPECT_EQ(files.streamNames(kVisitedLogFile), std::vector<std::string>{kLogStream});
}

TEST_F(SiteLogFileTest, StoresAddressesEncodedWithTheListKey) {
    ASSERT_TRUE(
        saveVisitedLog(files, kVisitedLogFile, {{"secret.example", 1, 1, 0}}, kKey, kLatin1));
    const Bytes stream = visitedStream();
    const std::string asText(stream.begin(), stream.end());
    EXPECT_EQ(asText.find('s'), std::string::npos);
    // Read with another key, the address comes out different.
    const DecodedLog other = decodeVisitedLog(stream, kDefaultListKey, 0, kLatin1);
    ASSERT_EQ(other.sites.size(), 1u);
    EXPECT_NE(other.sites[0].address, "secret.example");
}

TEST_F(SiteLogFileTest, ReadsFormat1WithTheDefaultKeyAndTheLoadTime) {
    ByteWriter v1;
    v1.u32(0);  // read as a null header
    v1.i32(3);
    text(v1, "old");
    text(v1, "strings");
    const auto record = [&](const std::string& address, uint8_t allowed, int32_t hits) {
        text(v1, encoded(address, kDefaultListKey));
        v1.u8(allowed);
        v1.i32(hits);
        text(v1, "previous");
        v1.string16(std::nullopt);
    };
    record("one.example", 1, 4);
    v1.string16(std::nullopt);  // a record without address is skipped
    v1.u8(1);
    v1.i32(9);
    v1.string16(std::nullopt);
    v1.string16(std::nullopt);
    record("two.example/dir", 0, 2);
    files.putStream(kVisitedLogFile, kLogStream, v1.take());

    const std::optional<DecodedLog> log = loadVisited(777);
    ASSERT_TRUE(log);
    EXPECT_EQ(log->format, 1);
    EXPECT_EQ(log->sites, (std::vector<LoggedSite>{{"one.example", 1, 4, 777},
                                                   {"two.example/dir", 0, 2, 777}}));

    // Written back, it is format 2 under the working key.
    ASSERT_TRUE(saveVisitedLog(files, kVisitedLogFile, log->sites, kKey, kLatin1));
    const DecodedLog again = decodeVisitedLog(visitedStream(), kKey, 0, kLatin1);
    EXPECT_EQ(again.format, 2);
    EXPECT_EQ(again.sites, log->sites);
}

TEST_F(SiteLogFileTest, AMissingStreamIsCreatedWithAnEmptyLog) {
    const std::optional<DecodedLog> log = loadVisited();
    ASSERT_TRUE(log);
    EXPECT_TRUE(log->sites.empty());
    EXPECT_EQ(visitedStream(), encodeVisitedLog({}, kKey, kLatin1));
    EXPECT_EQ(visitedStream().size(), 4u + 20u + 4u);
}

TEST_F(SiteLogFileTest, AShorterLogKeepsTheOldTailAndReadsOnlyItsCount) {
    const std::vector<LoggedSite> three{
        {"a.example", 1, 1, 1}, {"b.example", 1, 1, 2}, {"c.example", 1, 1, 3}};
    ASSERT_TRUE(saveVisitedLog(files, kVisitedLogFile, three, kKey, kLatin1));
    const size_t longSize = visitedStream().size();
    ASSERT_TRUE(saveVisitedLog(files, kVisitedLogFile, {three[2]}, kKey, kLatin1));
    EXPECT_EQ(visitedStream().size(), longSize);
    const std::optional<DecodedLog> log = loadVisited();
    ASSERT_TRUE(log);
    EXPECT_EQ(log->sites, std::vector<LoggedSite>{three[2]});
}

TEST_F(SiteLogFileTest, AFileThatCannotBeOpenedIsAFailure) {
    files.refuseAll = true;
    EXPECT_FALSE(saveVisitedLog(files, kVisitedLogFile, {}, kKey, kLatin1));
    EXPECT_FALSE(loadVisited());
    EXPECT_FALSE(saveBlockedLog(files, kBlockedLogFile, {}, kKey, kLatin1));
    EXPECT_FALSE(loadBlocked());
}

// Streams that lie ------------------------------------------------------------

Bytes visitedWith(int32_t count, const std::vector<LoggedSite>& sites) {
    Bytes bytes = encodeVisitedLog(sites, kKey, kLatin1);
    ByteWriter c;
    c.i32(count);
    std::copy(c.bytes().begin(), c.bytes().end(),
              bytes.begin() + 24);  // the count after the header
    return bytes;
}

TEST(LyingVisitedLog, ACountOfTwoBillionReadsTheRecordsThatAreThere) {
    const std::vector<LoggedSite> sites{{"a.example", 1, 1, 1}, {"b.example", 1, 1, 2}};
    const DecodedLog log = decodeVisitedLog(visitedWith(2000000000, sites), kKey, 0, kLatin1);
    EXPECT_EQ(log.sites, sites);
    EXPECT_FALSE(log.complete);
}

TEST(LyingVisitedLog, ANegativeCountHoldsNoRecords) {
    const DecodedLog log =
        decodeVisitedLog(visitedWith(-1, {{"a.example", 1, 1, 1}}), kKey, 0, kLatin1);
    EXPECT_TRUE(log.sites.empty());
}

TEST(LyingVisitedLog, AStringLengthPastTheEndEndsTheLog) {
    Bytes bytes = encodeVisitedLog({{"a.example", 1, 1, 1}, {"b.example", 1, 1, 2}}, kKey, kLatin1);
    const size_t second = 4 + 20 + 4 + (4 + 20 + 9);
    bytes[second + 3] = 0x7F;  // the second address claims two gigabytes
    const DecodedLog log = decodeVisitedLog(bytes, kKey, 0, kLatin1);
    EXPECT_EQ(log.sites, (std::vector<LoggedSite>{{"a.example", 1, 1, 1}}));
    EXPECT_FALSE(log.complete);
}

TEST(LyingVisitedLog, ATruncatedRecordIsDropped) {
    const Bytes whole =
        encodeVisitedLog({{"a.example", 1, 1, 1}, {"b.example", 1, 1, 2}}, kKey, kLatin1);
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        const DecodedLog log =
            decodeVisitedLog(Bytes(whole.begin(), whole.begin() + cut), kKey, 0, kLatin1);
        EXPECT_FALSE(log.complete) << cut;
        EXPECT_LE(log.sites.size(), 1u) << cut;
        if (!log.sites.empty()) {
            EXPECT_EQ(log.sites[0], (LoggedSite{"a.example", 1, 1, 1}));
        }
    }
}

TEST(LyingVisitedLog, AHeaderLengthPastTheEndGivesAnEmptyLog) {
    const Bytes bytes{0xFF, 0xFF, 0xFF, 0x7F, 'x', 0};
    const DecodedLog log = decodeVisitedLog(bytes, kKey, 0, kLatin1);
    EXPECT_TRUE(log.sites.empty());
    EXPECT_FALSE(log.complete);
}

TEST(LyingVisitedLog, AFormat1CountOfTwoBillionReadsWhatIsThere) {
    ByteWriter v1;
    v1.u32(0);
    v1.i32(2000000000);
    v1.string16(std::nullopt);
    v1.string16(std::nullopt);
    text(v1, encoded("one.example", kDefaultListKey));
    v1.u8(1);
    v1.i32(1);
    v1.string16(std::nullopt);
    v1.string16(std::nullopt);
    const DecodedLog log = decodeVisitedLog(v1.take(), kKey, 5, kLatin1);
    EXPECT_EQ(log.sites, (std::vector<LoggedSite>{{"one.example", 1, 1, 5}}));
}

// The blocked-site log ----------------------------------------------------------

TEST(BlockedLogFormat, IsByteForByteTheTable) {
    const Bytes bytes = encodeBlockedLog({{"x", 1, 9, 0x01020304}}, "\n", kLatin1);
    ByteWriter expected;
    expected.string16(u"CMPDKFE!MPH!WFSTJPO!2");  // "Blocked Log version 1" upper-cased, shifted
    expected.i32(1);
    expected.string16(u"Y");
    expected.i32(0x01020304);
    EXPECT_EQ(bytes, expected.bytes());
    EXPECT_EQ(bytes[4 + 2 * 4], 'K');  // the fifth character stays plain
}

TEST_F(SiteLogFileTest, BlockedLogRoundTripsWithAllowedSetAndNoHits) {
    ASSERT_TRUE(saveBlockedLog(files, kBlockedLogFile,
                               {{"bad.example", 0, 5, 10}, {"worse.example/x", 1, 1, 20}}, kKey,
                               kLatin1));
    const std::optional<DecodedLog> log = loadBlocked();
    ASSERT_TRUE(log);
    EXPECT_EQ(log->sites,
              (std::vector<LoggedSite>{{"bad.example", 1, 0, 10}, {"worse.example/x", 1, 0, 20}}));
}

TEST_F(SiteLogFileTest, BlockedLogHeaderIsNotChecked) {
    ByteWriter out;
    out.string16(std::nullopt);
    out.i32(1);
    text(out, encoded("z.example", kKey));
    out.i32(3);
    files.putStream(kBlockedLogFile, kLogStream, out.take());
    const std::optional<DecodedLog> log = loadBlocked();
    ASSERT_TRUE(log);
    EXPECT_EQ(log->sites, (std::vector<LoggedSite>{{"z.example", 1, 0, 3}}));
}

TEST(LyingBlockedLog, ReadsAsFarAsTheStreamGoes) {
    const Bytes whole =
        encodeBlockedLog({{"a.example", 1, 0, 1}, {"b.example", 1, 0, 2}}, kKey, kLatin1);
    Bytes lying = whole;
    const size_t count = 4 + 21 * 2 + 2;  // after the header
    lying[count] = 0xFF;
    lying[count + 3] = 0x7F;
    const DecodedLog log = decodeBlockedLog(lying, kKey, kLatin1);
    EXPECT_EQ(log.sites.size(), 2u);
    EXPECT_FALSE(log.complete);
    const DecodedLog cut = decodeBlockedLog(Bytes(whole.begin(), whole.end() - 1), kKey, kLatin1);
    EXPECT_EQ(cut.sites.size(), 1u);
}

}  // namespace
}  // namespace tb::sitelog
