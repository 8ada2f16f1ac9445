#include "hook/browser_match.h"

#include <gtest/gtest.h>

#include <string>

namespace tb::hook {
namespace {

// Shift-JIS (code page 932): its second bytes include '\\' and the letters.
bool shiftJisLead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

struct Parts {
    std::string directory, name, extension;
    bool operator==(const Parts& o) const {
        return directory == o.directory && name == o.name && extension == o.extension;
    }
};
std::ostream& operator<<(std::ostream& out, const Parts& p) {
    return out << '[' << p.directory << "|" << p.name << "|" << p.extension << ']';
}

Parts split(std::string_view path, IsLeadByte isLead = noLeadBytes) {
    const ModulePath p = splitModulePath(path, isLead);
    return {std::string(p.directory), std::string(p.name), std::string(p.extension)};
}

BrowserKind kindOf(std::string_view path, IsLeadByte isLead = noLeadBytes) {
    return recogniseBrowser(path, isLead).kind;
}

TEST(SplitModulePath, CutsDirectoryNameAndExtensionFromTheLastSeparatorAndDot) {
    EXPECT_EQ(split("C:\\Program Files\\Netscape\\netscape.exe"),
              (Parts{"C:\\Program Files\\Netscape\\", "netscape", ".exe"}));
    EXPECT_EQ(split("C:/browsers/opera.exe"), (Parts{"C:/browsers/", "opera", ".exe"}));
    EXPECT_EQ(split("C:opera.exe"), (Parts{"C:", "opera", ".exe"}));
    EXPECT_EQ(split("\\\\server\\share\\navstart"), (Parts{"\\\\server\\share\\", "navstart", ""}));
    EXPECT_EQ(split("netscp6.exe"), (Parts{"", "netscp6", ".exe"}));
    EXPECT_EQ(split(""), (Parts{"", "", ""}));
}

TEST(SplitModulePath, OnlyTheLastDotOfTheFileNameStartsTheExtension) {
    EXPECT_EQ(split("C:\\a.b\\opera"), (Parts{"C:\\a.b\\", "opera", ""}));
    EXPECT_EQ(split("C:\\x\\netscape.exe.bak"), (Parts{"C:\\x\\", "netscape.exe", ".bak"}));
    EXPECT_EQ(split("C:\\x\\opera."), (Parts{"C:\\x\\", "opera", "."}));
    EXPECT_EQ(split("C:\\x\\.exe"), (Parts{"C:\\x\\", "", ".exe"}));
    EXPECT_EQ(split("C:\\x\\"), (Parts{"C:\\x\\", "", ""}));
}

TEST(SplitModulePath, ASecondByteThatLooksLikeABackslashIsNoSeparator) {
    // 0x95 0x5C is one character in Shift-JIS.
    const std::string dir = "C:\\\x95\x5C\\";
    EXPECT_EQ(split(dir + "netscape.exe", shiftJisLead), (Parts{dir, "netscape", ".exe"}));
    const std::string path = "C:\\x\\\x83\x5Cnetscape.exe";
    EXPECT_EQ(split(path, shiftJisLead), (Parts{"C:\\x\\", "\x83\x5Cnetscape", ".exe"}));
    EXPECT_EQ(split(path), (Parts{"C:\\x\\\x83\x5C", "netscape", ".exe"}));
    // A first byte at the very end has no second byte to take.
    EXPECT_EQ(split("C:\\x\\a\x83", shiftJisLead), (Parts{"C:\\x\\", "a\x83", ""}));
}

TEST(EqualsIgnoringCase, FoldsLettersButComparesTwoByteCharactersExactly) {
    EXPECT_TRUE(equalsIgnoringCase("NETSCAPE", "Netscape", noLeadBytes));
    EXPECT_TRUE(equalsIgnoringCase("", "", noLeadBytes));
    EXPECT_FALSE(equalsIgnoringCase("netscape", "netscap", noLeadBytes));
    EXPECT_FALSE(equalsIgnoringCase("netscap", "netscape", noLeadBytes));
    // In Shift-JIS "\x82a" and "\x82A" are two different characters.
    EXPECT_FALSE(
        equalsIgnoringCase("x\x82"
                           "a",
                           "X\x82"
                           "A",
                           shiftJisLead));
    EXPECT_TRUE(
        equalsIgnoringCase("x\x82"
                           "a",
                           "X\x82"
                           "a",
                           shiftJisLead));
    EXPECT_TRUE(
        equalsIgnoringCase("x\x82"
                           "a",
                           "X\x82"
                           "A",
                           noLeadBytes));
    // A character of two bytes never equals two characters of one.
    EXPECT_FALSE(
        equalsIgnoringCase("\x82"
                           "a",
                           "\x82", shiftJisLead));
    EXPECT_TRUE(equalsIgnoringCase("ab\x82", "AB\x82", shiftJisLead));
}

TEST(RecogniseBrowser, NetscapeFamilyByFileNameWithAnyExtensionInAnyCase) {
    EXPECT_EQ(kindOf("C:\\Netscape\\NETSCAPE.EXE"), BrowserKind::NetscapeFamily);
    EXPECT_EQ(kindOf("C:\\Netscape 6\\Netscp6.exe"), BrowserKind::NetscapeFamily);
    EXPECT_EQ(kindOf("C:\\nav\\navstart.dll"), BrowserKind::NetscapeFamily);
    EXPECT_EQ(kindOf("C:\\nav\\navstart"), BrowserKind::NetscapeFamily);
    EXPECT_EQ(kindOf("C:\\nav\\NavStart.com"), BrowserKind::NetscapeFamily);
    EXPECT_EQ(kindOf("C:\\nav\\netscape."), BrowserKind::NetscapeFamily);
}

TEST(RecogniseBrowser, TheServiceIsTheFamilyNameAsTheTableSpellsIt) {
    EXPECT_STREQ(recogniseBrowser("C:\\n\\NETSCAPE.EXE", noLeadBytes).service, "Netscape");
    EXPECT_STREQ(recogniseBrowser("C:\\n\\NAVSTART.EXE", noLeadBytes).service, "navstart");
    EXPECT_STREQ(recogniseBrowser("C:\\n\\NETSCP6.EXE", noLeadBytes).service, "netscp6");
    EXPECT_STREQ(recogniseBrowser("C:\\o\\Opera.exe", noLeadBytes).service, "Opera");
    EXPECT_EQ(recogniseBrowser("C:\\o\\iexplore.exe", noLeadBytes).service, nullptr);
}

TEST(RecogniseBrowser, OperaOnlyWithTheExtensionExe) {
    EXPECT_EQ(kindOf("C:\\Opera\\opera.exe"), BrowserKind::Opera);
    EXPECT_EQ(kindOf("C:\\Opera\\OPERA.EXE"), BrowserKind::Opera);
    EXPECT_EQ(kindOf("C:\\Opera\\opera.dll"), BrowserKind::None);
    EXPECT_EQ(kindOf("C:\\Opera\\opera.com"), BrowserKind::None);
    EXPECT_EQ(kindOf("C:\\Opera\\opera"), BrowserKind::None);
    EXPECT_EQ(kindOf("C:\\Opera\\opera.exe.bak"), BrowserKind::None);
}

TEST(RecogniseBrowser, NeedsTheWholeFileNameAndIgnoresTheDirectory) {
    EXPECT_EQ(kindOf("C:\\x\\netscape6.exe"), BrowserKind::None);
    EXPECT_EQ(kindOf("C:\\x\\mynavstart.exe"), BrowserKind::None);
    EXPECT_EQ(kindOf("C:\\x\\operas.exe"), BrowserKind::None);
    EXPECT_EQ(kindOf("C:\\netscape.exe\\plugin.dll"), BrowserKind::None);
    EXPECT_EQ(kindOf("C:\\Program Files\\Internet Explorer\\iexplore.exe"), BrowserKind::None);
    EXPECT_EQ(kindOf(""), BrowserKind::None);
}

TEST(RecogniseBrowser, ATwoByteCharacterEndingInABackslashBelongsToTheName) {
    const std::string path = "C:\\x\\\x83\x5Cnetscape.exe";
    EXPECT_EQ(kindOf(path, shiftJisLead), BrowserKind::None);
    EXPECT_EQ(kindOf("C:\\\x95\x5C\\Netscape.exe", shiftJisLead), BrowserKind::NetscapeFamily);
}

TEST(IsWatchedWindow, TopLevelNamedWindowsExceptTheInputMethodWindow) {
    EXPECT_TRUE(isWatchedWindow(false, true, "NetscapeMainWindow"));
    EXPECT_TRUE(isWatchedWindow(false, true, ""));  // a class given by atom
    EXPECT_FALSE(isWatchedWindow(true, true, "NetscapeMainWindow"));
    EXPECT_FALSE(isWatchedWindow(false, false, "NetscapeMainWindow"));
    EXPECT_FALSE(isWatchedWindow(false, true, "IME"));
    EXPECT_FALSE(isWatchedWindow(false, true, "ime"));
    EXPECT_TRUE(isWatchedWindow(false, true, "IMEX"));
}

}  // namespace
}  // namespace tb::hook
