#include "common/address.h"

#include <gtest/gtest.h>

namespace tb {
namespace {

TEST(StripScheme, LowerCasesAndCutsTheLeadingScheme) {
    EXPECT_EQ(stripScheme("HTTP://WWW.Site.EXAMPLE/A"), "www.site.example/a");
    EXPECT_EQ(stripScheme("site.example/page"), "site.example/page");
}

TEST(StripScheme, KnowsEverySchemeOfItsTable) {
    EXPECT_EQ(stripScheme("http://a.example"), "a.example");
    EXPECT_EQ(stripScheme("https://a.example"), "a.example");
    EXPECT_EQ(stripScheme("ftp://a.example"), "a.example");
    EXPECT_EQ(stripScheme("doc://a.example"), "a.example");
    EXPECT_EQ(stripScheme("file://a.example"), "a.example");
    EXPECT_EQ(stripScheme("mailto:kid@a.example"), "kid@a.example");
    // "news:" comes before "news://" in the table, so it cuts first.
    EXPECT_EQ(stripScheme("news:comp.example"), "comp.example");
    EXPECT_EQ(stripScheme("news://host.example/g"), "//host.example/g");
}

TEST(StripScheme, CutsASchemeInTheMiddleWithEverythingBeforeIt) {
    EXPECT_EQ(stripScheme("http://a.example/go?to=http://b.example"), "b.example");
    EXPECT_EQ(stripScheme("x.example/r?u=FTP://c.example/f"), "c.example/f");
    EXPECT_EQ(stripScheme("https://a.example/?q=http://b.example/?r=ftp://c.example"), "c.example");
}

TEST(StripScheme, UnknownSchemeKeepsWhatFollowsTheColon) {
    EXPECT_EQ(stripScheme("gopher://x"), "/x");
    EXPECT_EQ(stripScheme("res://shdoclc.dll/dnserror.htm"), "/shdoclc.dll/dnserror.htm");
    // A colon-slash at the very end does not count.
    EXPECT_EQ(stripScheme("about:/"), "about:/");
    EXPECT_EQ(stripScheme("about:blank"), "about:blank");
}

TEST(StripScheme, ABareSchemeStaysWhole) {
    EXPECT_EQ(stripScheme("http://"), "http://");
    EXPECT_EQ(stripScheme("HTTPS://"), "https://");
    EXPECT_EQ(stripScheme(""), "");
}

TEST(StripScheme, OnlyAsciiLettersChangeCase) {
    EXPECT_EQ(stripScheme("Caf\xC9.Example"), "caf\xC9.example");
}

TEST(IsWebAddress, DrivePathsAndNetworkPathsAreNot) {
    EXPECT_FALSE(isWebAddress("c:/dir/file.htm"));
    EXPECT_FALSE(isWebAddress("C:"));
    EXPECT_FALSE(isWebAddress("//server/share/file.htm"));
    EXPECT_TRUE(isWebAddress("http://a.example"));
    EXPECT_TRUE(isWebAddress("a.example"));
    EXPECT_TRUE(isWebAddress("/x"));
    EXPECT_TRUE(isWebAddress(""));
}

}  // namespace
}  // namespace tb
