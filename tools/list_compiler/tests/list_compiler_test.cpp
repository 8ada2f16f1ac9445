#include "tools/list_compiler/list_compiler.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "common/list_encoding.h"
#include "service/lists/list_file.h"
#include "service/lists/text_file.h"
#include "service/lists/word_table.h"
#include "service/process/tests/fake_seams.h"

namespace tb::listc {
namespace {

using tb::testing::TempDirectory;

TEST(ListCompiler, ReadsOneEntryALineWithoutBlanksCommentsOrEmptyLines) {
    EXPECT_EQ(readLines("# comment\r\n  a.example/ \r\n\r\nb.example\n\t\nc.example"),
              (std::vector<std::string>{"a.example/", "b.example", "c.example"}));
}

TEST(ListCompiler, RefusesKeysThatCannotTravelInTheWordFile) {
    EXPECT_FALSE(keyProblem("qz8x2m5w"));
    EXPECT_FALSE(keyProblem("QZ8X2M5W"));  // used in lower case
    EXPECT_TRUE(keyProblem(""));
    EXPECT_TRUE(keyProblem("ab/cd"));
    EXPECT_TRUE(keyProblem(std::string(260, 'k')));
    // '$' shifted by the default key's first character would be '/', which
    // the encoding leaves alone, so it would come back as another character.
    EXPECT_TRUE(keyProblem("$abc"));
}

TEST(ListCompiler, FilesEveryEntryInTheSectionOfItsEncodedFifthCharacter) {
    const std::vector<std::string> entries = {"www.beta.example/", "abc", "www.alpha.example/",
                                              "zzzz~z.example/", "WWW.Alpha2.example/"};
    TempDirectory dir;
    dir.write("D.dat", categoryListFile(entries, "qz8x2m5w"));
    auto file = TextFile::open(dir.file("D.dat"), TextFile::Mode::Read);
    const ListIndex index = readIndexHeader(dir.read("D.dat"));
    for (int k = 0; k < 95; ++k) EXPECT_TRUE(index.present[k]) << k;
    const uint64_t size = file->size();
    for (const std::string& e : entries) {
        const std::string enc = encoded(normalEntry(e), "qz8x2m5w");
        const ListRange range = sectionRange(index, enc, size);
        file->seek(range.start);
        std::string section, line;
        while (file->tell() < range.stop && file->readLine(line, 5000, range.stop)) section += line;
        EXPECT_NE(section.find(enc + "\r"), std::string::npos) << e;
    }
    EXPECT_EQ(sectionOf(encoded("abc", "qz8x2m5w")), ' ');
    EXPECT_EQ(sectionOf(encoded("www.alpha.example", "qz8x2m5w")), 'A');
}

TEST(ListCompiler, AWordFileCarriesItsKeyOnTheFirstLine) {
    const std::string bytes = categoryWordFile({"Alpha", "beta"}, "QZ8X2M5W");
    EXPECT_EQ(bytes.substr(0, bytes.find("\r\n")), encoded("qz8x2m5w", kDefaultListKey));
    TempDirectory dir;
    for (char letter = 'D'; letter <= 'I'; ++letter) {
        dir.write(std::string("tbf") + letter + ".dat",
                  categoryWordFile({"alpha", "beta"}, "qz8x2m5w"));
    }
    WordTable table;
    std::string key;
    ASSERT_TRUE(table.load(dir.dir(), {1, 0, 0, 0, 0, 0}, key));
    EXPECT_EQ(key, "qz8x2m5w");
    EXPECT_EQ(table.slot(1), "alpha");
    EXPECT_EQ(table.slot(2), "beta");
}

TEST(ListCompiler, TheSampleDataBlocksWhatItListsAndNothingElse) {
    TempDirectory dir;
    for (const auto& f : std::filesystem::directory_iterator(TB_SAMPLE_DATA_DIR)) {
        std::filesystem::copy_file(f.path(),
                                   std::filesystem::path(dir.dir()) / f.path().filename());
    }
    tb::testing::FakeClock clock;
    tb::testing::RecordingDialogs dialogs;
    Latin1Codec codec;
    std::ostringstream console;
    ServiceCore core(dir.dir(), {clock, dialogs, codec, console});
    ASSERT_TRUE(core.load());
    EXPECT_EQ(core.state().listKey, "qz8x2m5w");
    for (const char* blocked :
         {"http://www.pinup-parlor.example/", "http://burnitdown.test/x",
          "http://www.gunshop.example/a", "http://bets.test/", "http://www.hategroup.example/",
          "http://ritual.test/r.htm", "http://forum.example/jackpotking.htm"}) {
        EXPECT_FALSE(core.filterURL(blocked).allowed) << blocked;
    }
    EXPECT_TRUE(core.filterURL("http://www.news.example/").allowed);
    EXPECT_TRUE(core.filterURL("http://www.school.example/").userAllowed);
    EXPECT_EQ(core.filterURL("http://bets.test/").replacement, dir.file("restricted1.htm"));
}

}  // namespace
}  // namespace tb::listc
