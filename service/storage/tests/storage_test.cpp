#include <gtest/gtest.h>

#include "service/storage/byte_codec.h"
#include "service/storage/code_page.h"
#include "service/storage/compound_file_check.h"
#include "service/storage/stream_replace.h"
#include "service/storage/tests/memory_compound_file.h"

namespace tb::storage {
namespace {

using Bytes = std::vector<uint8_t>;
using testing::MemoryCompoundFiles;

// Byte codec ----------------------------------------------------------------

TEST(ByteCodec, WritesLittleEndianFieldsAndTheStringLengthRule) {
    ByteWriter out;
    out.u16(0x1234);
    out.i32(-2);
    out.string16(u"ab");
    out.string16(std::nullopt);
    out.string16(u"");
    EXPECT_EQ(out.bytes(),
              (Bytes{0x34, 0x12, 0xFE, 0xFF, 0xFF, 0xFF,                //
                     6,    0,    0,    0,    'a',  0,    'b', 0, 0, 0,  // L = 2 units + 2
                     0,    0,    0,    0,                               // null string
                     2,    0,    0,    0,    0,    0}));                // empty string
}

TEST(ByteCodec, ReadsWhatItWrites) {
    ByteWriter out;
    out.u8(7);
    out.u32(0xA1B2C3D4);
    out.string16(u"x\u00e9\u4e2d");
    out.string16(std::nullopt);
    ByteReader in(out.bytes());
    EXPECT_EQ(in.u8(), 7);
    EXPECT_EQ(in.u32(), 0xA1B2C3D4u);
    const String16Field text = in.string16();
    ASSERT_TRUE(text.ok);
    EXPECT_EQ(text.text, std::u16string(u"x\u00e9\u4e2d"));
    const String16Field null = in.string16();
    EXPECT_TRUE(null.ok);
    EXPECT_FALSE(null.text);
    EXPECT_EQ(in.remaining(), 0u);
    EXPECT_FALSE(in.u8());
}

TEST(ByteCodec, RefusesFieldsThatRunPastTheEndWithoutConsumingThem) {
    const Bytes shortInt{1, 2, 3};
    ByteReader ints(shortInt);
    EXPECT_FALSE(ints.u32());
    EXPECT_EQ(ints.position(), 0u);
    EXPECT_EQ(ints.u16(), 0x0201);

    // A length of two billion with four bytes behind it.
    const Bytes lying{0x00, 0x94, 0x35, 0x77, 'a', 0, 0, 0};
    ByteReader strings(lying);
    EXPECT_FALSE(strings.string16().ok);
    EXPECT_EQ(strings.position(), 0u);
}

TEST(ByteCodec, StringEndsAtItsFirstZeroUnitAndIgnoresAnOddByte) {
    const Bytes bytes{7, 0, 0, 0, 'a', 0, 0, 0, 'b', 0, 'c', 9};
    ByteReader in(bytes);
    const String16Field s = in.string16();
    ASSERT_TRUE(s.ok);
    EXPECT_EQ(s.text, std::u16string(u"a"));
    EXPECT_EQ(in.position(), 11u);  // all seven bytes consumed
}

TEST(Latin1CodePage, MapsEveryByteToTheUnitOfTheSameValueAndBack) {
    Latin1CodePage cp;
    std::string all;
    for (int c = 1; c < 256; ++c) all.push_back(static_cast<char>(c));
    const std::u16string units = cp.toUtf16(all);
    ASSERT_EQ(units.size(), 255u);
    EXPECT_EQ(units[0xFD], u'\u00fe');
    EXPECT_EQ(cp.fromUtf16(units), all);
    EXPECT_EQ(cp.fromUtf16(u"a\u4e2d"), "a?");
}

// Replacing streams -----------------------------------------------------------

constexpr char kPath[] = "x.dat";

class StreamReplaceTest : public ::testing::Test {
  protected:
    std::optional<Bytes> read(const std::string& name) {
        auto file = files.openOrCreate(kPath);
        return readStream(*file, name);
    }
    bool replace(const std::string& name, const Bytes& bytes) {
        auto file = files.openOrCreate(kPath);
        return file && replaceStream(*file, name, bytes);
    }
    MemoryCompoundFiles files;
};

TEST_F(StreamReplaceTest, CreatesAMissingStreamAndLeavesOnlyItBehind) {
    EXPECT_FALSE(read("S"));
    ASSERT_TRUE(replace("S", {1, 2, 3}));
    EXPECT_EQ(read("S"), (Bytes{1, 2, 3}));
    EXPECT_EQ(files.streamNames(kPath), std::vector<std::string>{"S"});
}

TEST_F(StreamReplaceTest, KeepsTheOldTailOfALongerStream) {
    ASSERT_TRUE(replace("S", {1, 2, 3, 4, 5}));
    ASSERT_TRUE(replace("S", {9, 8}));
    EXPECT_EQ(read("S"), (Bytes{9, 8, 3, 4, 5}));
    ASSERT_TRUE(replace("S", {7, 7, 7, 7, 7, 7}));
    EXPECT_EQ(read("S"), (Bytes{7, 7, 7, 7, 7, 7}));
}

TEST_F(StreamReplaceTest, LeavesOtherStreamsAlone) {
    files.putStream(kPath, "Other", {42});
    ASSERT_TRUE(replace("S", {1}));
    EXPECT_EQ(files.stream(kPath, "Other"), Bytes{42});
}

TEST_F(StreamReplaceTest, FailsWithoutHarmWhenTheFileIsHeldElsewhere) {
    files.putStream(kPath, "S", {1});
    auto holder = files.openOrCreate(kPath);
    EXPECT_FALSE(replace("S", {2}));
    holder.reset();
    EXPECT_EQ(read("S"), Bytes{1});
}

// A process may die after any change it makes to the file. Whatever the
// moment, the next reader finds the old content or the new, whole, and the
// file is back to its one stream.
TEST_F(StreamReplaceTest, ADeathAtAnyStepKeepsEitherTheOldOrTheNewContent) {
    const Bytes oldContent(300, 0xAA);
    const Bytes newContent(200, 0x55);
    Bytes newWithTail = newContent;
    newWithTail.insert(newWithTail.end(), oldContent.begin() + 200, oldContent.end());

    bool sawOld = false, sawNew = false;
    for (long changes = 0; changes < 20; ++changes) {
        SCOPED_TRACE(changes);
        files = MemoryCompoundFiles();
        files.putStream(kPath, "S", oldContent);
        files.dieAfter(kPath, changes);
        const bool finished = replace("S", newContent);
        files.revive(kPath);

        const std::optional<Bytes> after = read("S");
        ASSERT_TRUE(after);
        if (finished) {
            EXPECT_EQ(*after, newWithTail);
        }
        EXPECT_TRUE(*after == oldContent || *after == newWithTail);
        sawOld |= *after == oldContent;
        sawNew |= *after == newWithTail;
        EXPECT_EQ(files.streamNames(kPath), std::vector<std::string>{"S"});
        EXPECT_TRUE(replace("S", {1})) << "the file stays writable";
    }
    EXPECT_TRUE(sawOld && sawNew);
}

TEST_F(StreamReplaceTest, ADeathDuringTheFirstWriteLeavesNoHalfStream) {
    for (long changes = 0; changes < 10; ++changes) {
        SCOPED_TRACE(changes);
        files = MemoryCompoundFiles();
        files.dieAfter(kPath, changes);
        const bool finished = replace("S", Bytes(100, 7));
        files.revive(kPath);
        const std::optional<Bytes> after = read("S");
        if (finished) {
            EXPECT_EQ(after, Bytes(100, 7));
        } else {
            EXPECT_TRUE(!after || after->empty() || *after == Bytes(100, 7));
        }
    }
}

TEST_F(StreamReplaceTest, ACompleteJournalFoundOnOpeningIsWrittenThrough) {
    files.putStream(kPath, "S", {1, 1, 1});
    files.putStream(kPath, journalStreamName("S"), {2, 2});
    files.putStream(kPath, journalCompleteName("S"), {});
    EXPECT_EQ(read("S"), (Bytes{2, 2}));
    EXPECT_EQ(files.streamNames(kPath), std::vector<std::string>{"S"});
}

TEST_F(StreamReplaceTest, AJournalWithoutItsMarkIsDropped) {
    files.putStream(kPath, "S", {1});
    files.putStream(kPath, journalStreamName("S"), {2});
    EXPECT_EQ(read("S"), Bytes{1});
    EXPECT_EQ(files.streamNames(kPath), std::vector<std::string>{"S"});

    files = MemoryCompoundFiles();
    files.putStream(kPath, journalStreamName("S"), {2});
    EXPECT_FALSE(read("S"));
    EXPECT_TRUE(files.streamNames(kPath).empty());
}

}  // namespace
}  // namespace tb::storage

// --- The look at a compound file's bookkeeping ------------------------------

namespace tb::storage {
namespace {

// A compound file of version 3 made by hand: sector 0 the allocation
// table, 1 the directory, 2 to 9 the one stream "S" of 4096 bytes.
struct HandMadeFile {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(512 + 10 * 512, 0);

    HandMadeFile() {
        const uint8_t signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
        std::copy(signature, signature + 8, bytes.begin());
        put16(0x18, 0x3E), put16(0x1A, 3), put16(0x1C, 0xFFFE), put16(0x1E, 9), put16(0x20, 6);
        put32(0x2C, 1), put32(0x30, 1), put32(0x38, 4096), put32(0x3C, kEnd), put32(0x44, kEnd);
        put32(0x4C, 0);
        for (size_t i = 1; i < 109; ++i) put32(0x4C + 4 * i, kFree);
        for (uint32_t i = 0; i < 128; ++i) fat(i, kFree);
        fat(0, 0xFFFFFFFD), fat(1, kEnd);
        for (uint32_t i = 2; i < 9; ++i) fat(i, i + 1);
        fat(9, kEnd);
        entry(0, 5, kEnd, 0);
        entry(1, 2, 2, 4096);
    }
    void put16(size_t at, uint16_t v) { bytes[at] = v & 0xFF, bytes[at + 1] = v >> 8; }
    void put32(size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = (v >> (8 * i)) & 0xFF;
    }
    void fat(uint32_t sector, uint32_t next) { put32(512 + 4 * sector, next); }
    void entry(size_t n, uint8_t type, uint32_t start, uint32_t size) {
        const size_t at = 1024 + 128 * n;
        bytes[at + 0x42] = type;
        put32(at + 0x74, start), put32(at + 0x78, size);
    }
    static constexpr uint32_t kEnd = 0xFFFFFFFE, kFree = 0xFFFFFFFF;
};

TEST(CompoundFileCheck, AWholeFilePassesAndOneCutShortOrWithBrokenChainsDoesNot) {
    EXPECT_TRUE(compoundFileLooksWhole(HandMadeFile().bytes));
    for (size_t size :
         {size_t{0}, size_t{100}, size_t{512}, size_t{1536}, size_t{4096}, size_t{5120}}) {
        HandMadeFile cut;
        cut.bytes.resize(size);
        EXPECT_FALSE(compoundFileLooksWhole(cut.bytes)) << size << " bytes";
    }
    HandMadeFile loop;
    loop.fat(6, 3);
    EXPECT_FALSE(compoundFileLooksWhole(loop.bytes)) << "a chain that loops";
    HandMadeFile outside;
    outside.put32(0x30, 40);
    EXPECT_FALSE(compoundFileLooksWhole(outside.bytes)) << "a directory beyond the end";
    HandMadeFile shortChain;
    shortChain.fat(5, HandMadeFile::kEnd);
    EXPECT_FALSE(compoundFileLooksWhole(shortChain.bytes)) << "a stream longer than its chain";
    HandMadeFile garbage;
    std::fill(garbage.bytes.begin() + 8, garbage.bytes.end(), 0x5A);
    EXPECT_FALSE(compoundFileLooksWhole(garbage.bytes));
}

}  // namespace
}  // namespace tb::storage
