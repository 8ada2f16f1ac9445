#include "service/process/service_core.h"

#include <gtest/gtest.h>

#include "service/lists/import_file.h"
#include "service/process/tests/fake_seams.h"

namespace tb {
namespace {

using testing::kTestKey;
using testing::ServiceFixture;

using Strings = std::vector<std::string>;

class ServiceCoreTest : public ::testing::Test, public ServiceFixture {
  protected:
    Strings blockList() { return service().persBlockSites(); }
    // tbu.dat decoded line by line.
    Strings wordFileLines() {
        Strings lines;
        std::string text = dir().read("tbu.dat");
        size_t start = 0;
        for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
            lines.push_back(decoded(text.substr(start, end - start), kTestKey));
        }
        return lines;
    }
};

// AddURL ---------------------------------------------------------------------

TEST_F(ServiceCoreTest, AddUrlBlocksTheNormalisedAddressAndHandsItBack) {
    EXPECT_EQ(service().addURL("HTTP://Site.Example\\Page", false, false), "site.example/page");
    EXPECT_EQ(blockList(), Strings{"site.example/page"});
    EXPECT_FALSE(service().filterURL("http://site.example/page").allowed);
    // Appended, whatever the allowed flag says.
    service().addURL("http://other.example/", false, true);
    EXPECT_EQ(blockList(), (Strings{"site.example/page", "other.example/"}));
}

TEST_F(ServiceCoreTest, AddUrlOnALoggedAddressOnlyChangesItsAllowedFlag) {
    service().filterURL("http://a.example/");
    service().addURL("http://a.example/", false, false);
    EXPECT_EQ(service().isURLAllowed("a.example/"), false);
    service().addURL("http://a.example/", false, true);
    EXPECT_EQ(service().isURLAllowed("a.example/"), true);
    EXPECT_TRUE(blockList().empty());
}

TEST_F(ServiceCoreTest, EntireSiteBlocksTheAddressesWholeSection) {
    EXPECT_EQ(service().addURL("http://site.example/dir/page.htm", true, false),
              "site.example/dir/");
    EXPECT_EQ(service().addURL("http://host.example", true, false), "host.example/");
    EXPECT_EQ(service().addURL("http://top.example/", true, false), "top.example/");
    EXPECT_FALSE(service().filterURL("http://site.example/dir/other.htm").allowed);
    EXPECT_TRUE(service().filterURL("http://site.example/elsewhere.htm").allowed);
    EXPECT_FALSE(service().filterURL("http://host.example/any/page").allowed);
}

TEST_F(ServiceCoreTest, AddUrlLeavesOverLongAddressesAndWaitsForTheLists) {
    EXPECT_EQ(service().addURL("http://" + std::string(204, 'x'), false, false), std::nullopt);
    EXPECT_TRUE(blockList().empty());

    ServiceFixture notReady;
    notReady.files().complete();
    notReady.dir().remove("TBinG.dat");
    EXPECT_EQ(notReady.service().addURL("http://a.example/", false, false), std::nullopt);
    EXPECT_EQ(notReady.service().addWordToBlock("word"), std::nullopt);
    EXPECT_FALSE(notReady.service().firstUserWord().ready);
    EXPECT_FALSE(notReady.service().removeUserWord("word"));
}

// UploadFromFile ---------------------------------------------------------------

TEST_F(ServiceCoreTest, AnImportFileWhoseFirstLineIsNoWebAddressIsRefusedWithTheDialog) {
    dir().write("import.txt", "www.site.example\r\nhttp://b.example\r\n");
    EXPECT_EQ(service().uploadFromFile(dir().dir(), "import.txt", false, false),
              ImportResult::FormatError);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].title, "Import Error");
    EXPECT_EQ(dialogs.shown[0].text,
              "Imported files should have one URL on each line and the first URL should start with "
              "\"http://\".   "
              "Please reformat your file and try again.");
    EXPECT_TRUE(blockList().empty());
}

TEST_F(ServiceCoreTest, AGoodImportFileBlocksEveryAddressButTheVendorsOwn) {
    dir().write(
        "import.txt",
        "http://a.example\r\nb.example\r\nhttp://www.orvan.com/x\r\n\r\nHTTP://C.Example/D\r\n");
    EXPECT_EQ(service().uploadFromFile(dir().dir(), "import.txt", false, false),
              ImportResult::Done);
    EXPECT_EQ(blockList(), (Strings{"a.example", "b.example", "c.example/d"}));
    EXPECT_TRUE(dialogs.shown.empty());
    // The directory may come without its separator; EntireSite is passed on.
    dir().write("more.txt", "http://e.example/dir/page.htm\r\n");
    std::string directory = dir().dir();
    directory.pop_back();
    service().uploadFromFile(directory, "more.txt", true, false);
    EXPECT_EQ(blockList().back(), "e.example/dir/");
}

TEST_F(ServiceCoreTest, ImportFileErrorsAreReportedOnTheConsoleOnly) {
    EXPECT_EQ(service().uploadFromFile(dir().file("nowhere"), "import.txt", false, false),
              ImportResult::Done);
    EXPECT_EQ(service().uploadFromFile(dir().dir(), "missing.txt", false, false),
              ImportResult::Done);
    EXPECT_EQ(console.str(), "Unable to locate the directory: " + dir().file("nowhere") +
                                 "\nThe file 'data' was not opened\n");
    EXPECT_TRUE(dialogs.shown.empty());
}

// The parent's block and allow lists ---------------------------------------------

TEST_F(ServiceCoreTest, SetSitesRewritesTheListAndTheFilterUsesItAtOnce) {
    service().addURL("http://old.example/", false, false);
    EXPECT_TRUE(service().setPersBlockSites({"x.example/", "y.example"}));
    EXPECT_EQ(blockList(), (Strings{"x.example/", "y.example"}));
    EXPECT_EQ(dir().read("TBinB.dat"),
              encoded("x.example/", kTestKey) + "\r" + encoded("y.example", kTestKey) + "\r");
    EXPECT_FALSE(service().filterURL("http://x.example/a").allowed);
    EXPECT_TRUE(service().filterURL("http://old.example/").allowed);

    EXPECT_TRUE(service().setAllowedSites({"x.example/a"}));
    EXPECT_EQ(service().allowedSites(), Strings{"x.example/a"});
    EXPECT_TRUE(service().filterURL("http://x.example/a").allowed);

    EXPECT_TRUE(service().setPersBlockSites({}));
    EXPECT_TRUE(blockList().empty());
    EXPECT_EQ(dir().read("TBinB.dat"), "");
}

TEST_F(ServiceCoreTest, AListWrittenWithLineFeedsReadsBackEntryByEntry) {
    files().complete();
    dir().write("TBinB.dat", encoded("one.example/", kTestKey) + "\r\n" +
                                 encoded("two.example", kTestKey) + "\r\n");
    EXPECT_EQ(blockList(), (Strings{"one.example/", "two.example"}));
    EXPECT_FALSE(service().filterURL("http://two.example").allowed);
}

// Windows of the 95 family replaces a file by deleting it and renaming the
// new one: a power loss between the two leaves only the new file, which the
// next start puts in place instead of starting without the parent's
// password, words and lists.
TEST_F(ServiceCoreTest, AReplacementCutShortByAPowerLossIsFinishedAtLoad) {
    files().wordFile({"secret", "t", "homework"});
    files().complete();
    dir().write("TBinB.dat.new", encoded("blocked.example/", kTestKey) + "\r");
    dir().write("tbu.dat.new", dir().read("tbu.dat"));
    dir().remove("tbu.dat");
    dir().remove("TBinB.dat");
    dir().write("TBinA.dat", "");
    dir().write("TBinA.dat.new", "half a file that never took the old one's place");
    EXPECT_EQ(blockList(), Strings{"blocked.example/"});
    EXPECT_FALSE(service().filterURL("http://blocked.example/page.htm").allowed);
    EXPECT_EQ(service().words(), Strings{"homework"});
    EXPECT_FALSE(dir().has("tbu.dat.new") || dir().has("TBinB.dat.new"));
    // A new file beside a whole old one is left over from a write cut
    // short before the replacement: the old file stays in force.
    EXPECT_TRUE(service().allowedSites().empty());
}

TEST_F(ServiceCoreTest, MissingParentListsAreCreatedEmpty) {
    service();
    EXPECT_TRUE(dir().has("TBinA.dat") && dir().has("TBinB.dat") && dir().has("TBinC.dat"));
    EXPECT_TRUE(service().allowedSites().empty());
    EXPECT_TRUE(service().state().ready);
}

// The parent's words -------------------------------------------------------------

TEST_F(ServiceCoreTest, SetWordsRewritesTheWordFileAtOnce) {
    files().wordFile({"secret", "t", "old"});
    EXPECT_TRUE(service().setWords({"one", "Two"}));
    EXPECT_EQ(service().words(), (Strings{"one", "Two"}));
    EXPECT_EQ(wordFileLines(), (Strings{"secret", "t", "one", "two"}));
    service().load();
    EXPECT_EQ(service().words(), (Strings{"one", "two"}));
}

TEST_F(ServiceCoreTest, AWordAddedInUpperCaseMatchesOnlyAfterASaveAndALoad) {
    EXPECT_EQ(service().addWordToBlock("CASINO"), true);
    EXPECT_EQ(service().addWordToBlock("CASINO"), false);
    EXPECT_TRUE(service().filterURL("http://casino.example/").allowed);
    EXPECT_TRUE(service().save());
    service().load();
    EXPECT_FALSE(service().filterURL("http://casino.example/").allowed);
}

TEST_F(ServiceCoreTest, WordsSetBeforeTheWordTableIsLoadedLeaveTheWordFileAlone) {
    files().complete().wordFile({"secret", "t"});
    dir().remove("TBinE.dat");
    const std::string before = dir().read("tbu.dat");
    EXPECT_FALSE(service().setWords({"lost"}));
    EXPECT_EQ(dir().read("tbu.dat"), before);
}

TEST_F(ServiceCoreTest, SaveWritesNothingWhileTheListsAreCorrupt) {
    files().wordFile({"secret", "t"});
    service().addWordToBlock("new");
    service().state().listsCorrupt = true;
    EXPECT_FALSE(service().save());
    EXPECT_EQ(wordFileLines(), (Strings{"secret", "t"}));
    service().load();
    EXPECT_FALSE(service().state().listsCorrupt);
}

TEST(EntireSection, CutsAfterTheLastSlashOrAddsOne) {
    EXPECT_EQ(entireSection("a.example/b/c.htm"), "a.example/b/");
    EXPECT_EQ(entireSection("a.example/b/"), "a.example/b/");
    EXPECT_EQ(entireSection("a.example"), "a.example/");
    EXPECT_EQ(entireSection(""), "/");
}

}  // namespace
}  // namespace tb
