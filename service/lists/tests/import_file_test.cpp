#include "service/lists/import_file.h"

#include <gtest/gtest.h>

#include "service/lists/tests/list_builder.h"

namespace tb {
namespace {

using testing::TempDirectory;

ImportFile importOf(const std::string& bytes) {
    TempDirectory dir;
    dir.write("import.txt", bytes);
    auto file = TextFile::open(dir.file("import.txt"), TextFile::Mode::Read);
    return readImportFile(*file);
}

TEST(ImportFile, TheFirstLineMustStartWithTheWebScheme) {
    EXPECT_FALSE(importOf("www.site.example\r\nhttp://b.example\r\n").wellFormed);
    EXPECT_FALSE(importOf("HTTP://site.example\r\n").wellFormed);
    EXPECT_FALSE(importOf(" http://site.example\r\n").wellFormed);
    EXPECT_FALSE(importOf("").wellFormed);
    EXPECT_TRUE(importOf("http://a.example\r\nb.example\r\n").wellFormed);
}

TEST(ImportFile, GivesEveryAddressLineWithoutItsLineEnd) {
    const ImportFile f =
        importOf("http://a.example\r\nb.example\nc.example/x\r\r\n\r\n  \r\nd.example");
    EXPECT_EQ(f.addresses, (std::vector<std::string>{"http://a.example", "b.example", "c.example/x",
                                                     "  ", "d.example"}));
    EXPECT_TRUE(importOf("http://a.example\r\n").addresses.size() == 1);
}

TEST(ImportFile, LeavesOutLinesThatNameTheVendorsDomain) {
    const ImportFile f = importOf(
        "http://a.example\r\nhttp://www.orvan.com/x\r\nb.orvan.com.example\r\nc.example\r\n");
    EXPECT_EQ(f.addresses, (std::vector<std::string>{"http://a.example", "c.example"}));
}

TEST(ImportFile, CutsOverLongLinesAndReadsTheNextOneWhole) {
    const ImportFile f = importOf("http://" + std::string(400, 'x') + "\r\nnext.example\r\n");
    ASSERT_EQ(f.addresses.size(), 2u);
    EXPECT_EQ(f.addresses[0].size(), 259u);
    EXPECT_EQ(f.addresses[1], "next.example");
}

}  // namespace
}  // namespace tb
