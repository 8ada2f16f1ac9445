#include "service/lists/text_file.h"

#include <gtest/gtest.h>

#include "service/lists/tests/list_builder.h"

namespace tb {
namespace {

using testing::TempDirectory;

std::unique_ptr<TextFile> fileWith(const TempDirectory& dir, const std::string& bytes) {
    dir.write("t.txt", bytes);
    return TextFile::open(dir.file("t.txt"), TextFile::Mode::Read);
}

TEST(TextFile, ReadsCrLfAsLfWhileKeepingBytePositions) {
    TempDirectory dir;
    auto f = fileWith(dir, "ab\r\ncd\r\n");
    std::string line;
    ASSERT_TRUE(f->readLine(line, 100));
    EXPECT_EQ(line, "ab\n");
    EXPECT_EQ(f->tell(), 4u);
    ASSERT_TRUE(f->readLine(line, 100));
    EXPECT_EQ(line, "cd\n");
    EXPECT_FALSE(f->readLine(line, 100));
}

TEST(TextFile, KeepsLoneCarriageReturnsInTheLineAndRemembersTheLast) {
    TempDirectory dir;
    auto f = fileWith(dir, "one\rtwo\rthr");
    std::string line;
    ASSERT_TRUE(f->readLine(line, 100));
    EXPECT_EQ(line, "one\rtwo\rthr");
    ASSERT_TRUE(f->afterLastCarriageReturn());
    EXPECT_EQ(*f->afterLastCarriageReturn(), 8u);
    f->seek(*f->afterLastCarriageReturn());
    ASSERT_TRUE(f->readLine(line, 100));
    EXPECT_EQ(line, "thr");
}

TEST(TextFile, StopsAtTheCharacterLimitAndAtTheByteLimit) {
    TempDirectory dir;
    auto f = fileWith(dir, "abcdefgh\n");
    std::string line;
    ASSERT_TRUE(f->readLine(line, 3));
    EXPECT_EQ(line, "abc");
    ASSERT_TRUE(f->readLine(line, 100, 5));
    EXPECT_EQ(line, "de");
    EXPECT_FALSE(f->readLine(line, 100, 5));
    // A CR LF pair cut by the byte limit reads as the CR alone.
    auto g = fileWith(dir, "ab\r\n");
    ASSERT_TRUE(g->readLine(line, 100, 3));
    EXPECT_EQ(line, "ab\r");
}

TEST(TextFile, PairsAcrossTheReadBufferStillReadAsOneLineFeed) {
    TempDirectory dir;
    std::string bytes(4095, 'x');
    bytes += "\r\nrest";
    auto f = fileWith(dir, bytes);
    std::string line;
    ASSERT_TRUE(f->readLine(line, 5000));
    EXPECT_EQ(line.size(), 4096u);
    EXPECT_EQ(line.back(), '\n');
    ASSERT_TRUE(f->readLine(line, 5000));
    EXPECT_EQ(line, "rest");
}

TEST(TextFile, WritesLineFeedsAsCrLfAndLeavesCarriageReturns) {
    TempDirectory dir;
    ASSERT_TRUE(writeTextFile(dir.file("w.txt"), "a\nb\rc\n"));
    EXPECT_EQ(dir.read("w.txt"), "a\r\nb\rc\r\n");
    EXPECT_EQ(readTextFile(dir.file("w.txt")), "a\nb\rc\n");
    EXPECT_FALSE(readTextFile(dir.file("missing.txt")));
}

TEST(TextFile, AppendsAtTheEndAndReadsWhatWasAppended) {
    TempDirectory dir;
    dir.write("a.txt", "one\r");
    auto f = TextFile::open(dir.file("a.txt"), TextFile::Mode::AppendRead);
    ASSERT_TRUE(f);
    std::string line;
    ASSERT_TRUE(f->readLine(line, 100));
    ASSERT_TRUE(f->write("two\r") && f->flush());
    f->seek(0);
    ASSERT_TRUE(f->readLine(line, 100));
    EXPECT_EQ(line, "one\rtwo\r");
}

}  // namespace
}  // namespace tb
