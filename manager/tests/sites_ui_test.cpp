// The Block Sites and Allow Sites pages.
#include "manager/tests/ui_fixture.h"

#include <prsht.h>

#include <algorithm>

#include "manager/site_list_rules.h"

namespace tb::test {
namespace {

using Strings = std::vector<std::string>;
using manager::logEntryText;
constexpr int kBlockSites = 3, kAllowSites = 4;
constexpr int kEdit = 1014, kSection = 1016, kPage = 1017, kDate = 1079, kVisitedHeader = 1080,
              kBlockedHeader = 1090;
constexpr int kVisited = 1015, kBlockList = 1003, kBlockedLog = 1088, kAllowList = 1089;
constexpr int kAdd = 1018, kRemove = 1019, kRemoveAll = 1020;
const std::string kRefusal =
    "Tamberly uses portions of the orvan.com website.\nTherefore, orvan.com and the word Orvan "
    "cannot be blocked.";

// The visits b (100), B (300), a (200), c (300), in the service's order.
const Strings kVisits = {"visited=100 b.example/", "visited=300 B.example/",
                         "visited=200 a.example/", "visited=300 c.example/page.html"};
const std::string b = logEntryText(100, "b.example/"), B = logEntryText(300, "B.example/"),
                  a = logEntryText(200, "a.example/"), c = logEntryText(300, "c.example/page.html");

class SiteLists : public ManagerUiTest {
  protected:
    HWND open(int pageIndex, Strings script) {
        HWND sheet = openSheetAndMark(script);
        if (!sheet) return nullptr;
        page_ = selectPage(sheet, pageIndex);
        return sheet;
    }
    void type(const std::string& address) { setText(page_, kEdit, address); }
    HWND page_ = nullptr;
};

TEST_F(SiteLists, TheLogOpensNewestFirstAndSortsStablyByDateAndAddress) {
    Strings script = kVisits;
    script.push_back("blocklist=z.example/");
    script.push_back("blocklist=m.example/");
    HWND sheet = open(kBlockSites, script);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(calls(), (Strings{"GetVisitedSites()", "GetPersBlockSites()"}));
    EXPECT_EQ(listItems(page_, kVisited), (Strings{B, c, a, b}));
    EXPECT_EQ(listItems(page_, kBlockList), (Strings{"m.example/", "z.example/"}));
    EXPECT_TRUE(isChecked(page_, kSection));
    click(page_, kDate);
    EXPECT_EQ(listItems(page_, kVisited), (Strings{b, a, B, c}));
    click(page_, kDate);
    EXPECT_EQ(listItems(page_, kVisited), (Strings{B, c, a, b}));
    click(page_, kVisitedHeader);
    EXPECT_EQ(listItems(page_, kVisited), (Strings{B, a, b, c})) << "byte order: capitals first";
    click(page_, kVisitedHeader);
    EXPECT_EQ(listItems(page_, kVisited), (Strings{c, b, a, B}));
    click(page_, kDate);
    EXPECT_EQ(listItems(page_, kVisited), (Strings{b, a, c, B}));
    service_->mark();
    pressOk(sheet);
    EXPECT_TRUE(only(calls(), "SetVisitedSites").empty()) << "sorting is no change";
}

TEST_F(SiteLists, BlockSitesNormalisesCutsRefusesTheVendorAndSkipsDuplicates) {
    HWND sheet = open(kBlockSites, {"blocklist=old.example/"});
    ASSERT_NE(sheet, nullptr);
    type("HTTP://WWW.Kids.Example/a/b.html");
    click(page_, kAdd);
    click(page_, kPage);
    type("HTTP://WWW.Kids.Example/a/b.html");
    click(page_, kAdd);
    click(page_, kSection);
    type("C:\\Kids\\Game.EXE");
    click(page_, kAdd);
    type("www.kids.example/a/x.html");  // the same section again
    click(page_, kAdd);
    type("");
    click(page_, kAdd);
    EXPECT_EQ(listItems(page_, kBlockList),
              (Strings{"C:\\Kids\\Game.EXE/", "old.example/", "www.kids.example/a/",
                       "www.kids.example/a/b.html"}));
    for (const char* vendor : {"WWW.ORVAN.COM/x", "http://shop.Orvan.com/"}) {
        type(vendor);
        postClick(page_, kAdd);
        SeenMessageBox box = manager_.waitForMessageBox();
        ASSERT_NE(box.hwnd, nullptr) << vendor;
        EXPECT_EQ(box.text, kRefusal);
        EXPECT_FALSE(box.hasIcon);
        answerMessageBox(box);
    }
    EXPECT_EQ(listItems(page_, kBlockList).size(), 4u);
    // Enter in the edit adds and leaves the sheet open.
    type("enter.example/x/y");
    pressEnter(GetDlgItem(page_, kEdit));
    EXPECT_TRUE(IsWindow(sheet));
    EXPECT_EQ(listItems(page_, kBlockList).size(), 5u);
    service_->mark();
    pressOk(sheet);
    EXPECT_EQ(only(calls(), "SetPersBlockSites"),
              Strings{"SetPersBlockSites([\"C:\\x5CKids\\x5CGame.EXE/\", \"enter.example/x/\", "
                      "\"old.example/\", "
                      "\"www.kids.example/a/\", \"www.kids.example/a/b.html\"])"});
    EXPECT_TRUE(only(calls(), "SetVisitedSites").empty());
}

TEST_F(SiteLists, SelectingLogEntriesCopiesAndAddsTheirAddresses) {
    HWND sheet = open(kBlockSites, kVisits);
    ASSERT_NE(sheet, nullptr);
    EXPECT_FALSE(isEnabled(page_, kAdd));
    selectItems(page_, kVisited, {2});
    EXPECT_EQ(text(page_, kEdit), "a.example/");
    EXPECT_TRUE(isEnabled(page_, kAdd));
    EXPECT_TRUE(isEnabled(page_, kRemove));
    // Two or more: the selected addresses, cut to their section.
    selectItems(page_, kVisited, {1, 3});
    click(page_, kAdd);
    EXPECT_EQ(listItems(page_, kBlockList), (Strings{"b.example/", "c.example/"}));
    EXPECT_EQ(SendMessageA(GetDlgItem(page_, kVisited), LB_GETSELCOUNT, 0, 0), 0);
    service_->mark();
    pressOk(sheet);
    EXPECT_EQ(only(calls(), "SetPersBlockSites"),
              Strings{"SetPersBlockSites([\"b.example/\", \"c.example/\"])"});
}

TEST_F(SiteLists, RemovingEverythingSendsAnEmptyLogArrayAndAnEmptyList) {
    Strings script = kVisits;
    script.push_back("blocklist=x.example/");
    script.push_back("blocklist=y.example/");
    HWND sheet = open(kBlockSites, script);
    ASSERT_NE(sheet, nullptr);
    selectItems(page_, kBlockList, {0});
    click(page_, kRemove);
    EXPECT_EQ(listItems(page_, kBlockList), Strings{"y.example/"});
    selectItems(page_, kVisited, {1});
    click(page_, kRemove);
    EXPECT_EQ(listItems(page_, kVisited), (Strings{B, a, b}));
    service_->mark();
    pressOk(sheet);
    EXPECT_EQ(
        calls(),
        (Strings{"TBOn(\"secret\")", "TBOn(\"secret\")", "StartTimeLogging()", "SetTimedAccess(1)",
                 "SetVisitedSites([\"300 B.example/\", \"200 a.example/\", \"100 b.example/\"])",
                 "SetPersBlockSites([\"y.example/\"])"}));

    ManagerProcess again;
    manager_.waitForExit();
    ASSERT_TRUE(again.start());
    HWND dialog = again.waitForWindow("Tamberly Password Verification");
    ASSERT_NE(dialog, nullptr);
    setText(dialog, 1022, kPassword);
    postClick(dialog, IDOK);
    sheet = again.waitForWindow(kSheetTitle);
    ASSERT_NE(sheet, nullptr);
    page_ = selectPage(sheet, kBlockSites);
    selectItems(page_, kVisited, {0});
    click(page_, kRemoveAll);
    EXPECT_TRUE(listItems(page_, kVisited).empty());
    selectItems(page_, kBlockList, {0});
    click(page_, kRemoveAll);
    EXPECT_TRUE(listItems(page_, kBlockList).empty());
    EXPECT_FALSE(isEnabled(page_, kRemove));
    service_->mark();
    postClick(sheet, IDOK);
    EXPECT_TRUE(again.waitForExit());
    EXPECT_EQ(only(calls(), "SetVisitedSites"), Strings{"SetVisitedSites([])"});
    EXPECT_EQ(only(calls(), "SetPersBlockSites"), Strings{"SetPersBlockSites(empty)"});
}

TEST_F(SiteLists, DoubleClickingALogEntryShowsItOnTheUpdateTab) {
    HWND sheet = open(kBlockSites, kVisits);
    ASSERT_NE(sheet, nullptr);
    selectItems(page_, kVisited, {1});
    HWND list = GetDlgItem(page_, kVisited);
    service_->mark();
    SendMessageA(page_, WM_COMMAND, MAKEWPARAM(kVisited, LBN_DBLCLK),
                 reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(currentPageIndex(sheet), 6);
    const Strings navigations = only(calls(), "browser.Navigate");
    ASSERT_FALSE(navigations.empty());
    EXPECT_EQ(navigations.back(), "browser.Navigate(\"c.example/page.html\")");
    postClick(sheet, IDCANCEL);
    EXPECT_TRUE(manager_.waitForExit());
}

TEST_F(SiteLists, BlankAndOverlongAddressesAreNeverStored) {
    Strings script;
    for (int i = 0; i < 40; ++i) {
        script.push_back("visited=" + std::to_string(100 + i) + " site" + std::to_string(i) +
                         ".example/" + std::string(80, 'p'));
    }
    HWND sheet = open(kBlockSites, script);
    ASSERT_NE(sheet, nullptr);
    // The log shows whole rows only, above its horizontal scroll bar.
    HWND log = GetDlgItem(page_, kVisited);
    RECT client{};
    GetClientRect(log, &client);
    const LRESULT row = SendMessageA(log, LB_GETITEMHEIGHT, 0, 0);
    ASSERT_GT(row, 0);
    EXPECT_TRUE(GetWindowLongA(log, GWL_STYLE) & WS_HSCROLL);
    EXPECT_EQ(client.bottom % row, 0) << "a row cut by the scroll bar";

    type("  \t ");
    click(page_, kAdd);
    type("  http://Trimmed.Example/a  ");
    click(page_, kAdd);
    EXPECT_EQ(listItems(page_, kBlockList), Strings{"trimmed.example/"});
    const std::string longest = "long.example/" + std::string(1023 - 13, 'x');
    click(page_, kPage);
    for (const std::string& address : {longest + "y", std::string("http://") + longest + "y"}) {
        type(address);
        postClick(page_, kAdd);
        SeenMessageBox box = manager_.waitForMessageBox();
        ASSERT_NE(box.hwnd, nullptr);
        EXPECT_EQ(box.text,
                  "This address is longer than 1,023 characters.\nPlease enter a shorter "
                  "address.");
        answerMessageBox(box);
    }
    type(longest);
    click(page_, kAdd);
    EXPECT_EQ(listItems(page_, kBlockList), (Strings{longest, "trimmed.example/"}));

    page_ = selectPage(sheet, kAllowSites);
    type("   ");
    click(page_, kAdd);
    EXPECT_TRUE(listItems(page_, kAllowList).empty());
    type(longest);  // a slash would make it 1,024
    postClick(page_, kAdd);
    SeenMessageBox box = manager_.waitForMessageBox();
    ASSERT_NE(box.hwnd, nullptr);
    answerMessageBox(box);
    EXPECT_TRUE(listItems(page_, kAllowList).empty());
    service_->mark();
    pressOk(sheet);
    EXPECT_EQ(only(calls(), "SetPersBlockSites").size(), 1u);
    EXPECT_TRUE(only(calls(), "SetAllowedSites").empty());
}

TEST_F(SiteLists, AllowSitesAppendsASlashAndAcceptsTheVendor) {
    HWND sheet = open(kAllowSites, {"blocked=100 b.example/x.html", "blocked=300 B.example/",
                                    "blocked=200 a.example/", "allowlist=keep.example/"});
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(calls(), (Strings{"GetBlockedLog()", "GetAllowedSites()"}));
    EXPECT_EQ(listItems(page_, kBlockedLog).size(), 3u);
    type("Host.Example");
    click(page_, kAdd);
    type("http://WWW.Orvan.com");
    click(page_, kAdd);
    EXPECT_TRUE(manager_.noMessageBox());
    type("host.example/");
    click(page_, kAdd);
    selectItems(page_, kBlockedLog, {0, 1, 2});
    click(page_, kAdd);
    // The list sorts as the control does, without regard to case.
    EXPECT_EQ(listItems(page_, kAllowList),
              (Strings{"a.example/", "B.example/", "b.example/x.html", "host.example/",
                       "keep.example/", "www.orvan.com/"}));
    click(page_, kBlockedHeader);
    EXPECT_EQ(listItems(page_, kBlockedLog).front(), logEntryText(300, "B.example/"));
    service_->mark();
    pressOk(sheet);
    EXPECT_EQ(only(calls(), "SetAllowedSites"),
              Strings{"SetAllowedSites([\"a.example/\", \"B.example/\", \"b.example/x.html\", "
                      "\"host.example/\", "
                      "\"keep.example/\", \"www.orvan.com/\"])"});
    EXPECT_TRUE(only(calls(), "SetBlockedLog").empty());
}

}  // namespace
}  // namespace tb::test

namespace tb::test {
namespace {

// The file-open dialog of the import: the file name edit or combo.
HWND fileNameField(HWND dialog) {
    for (int id : {0x47C, 0x480}) {
        HWND field = GetDlgItem(dialog, id);
        if (field && IsWindowVisible(field)) return field;
    }
    return nullptr;
}

TEST_F(SiteLists, ImportSendsTheFolderAndNameThenRereadsTheBlockList) {
    const std::string list = programDirectory() + "import-list.txt";
    {
        HANDLE file =
            CreateFileA(list.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(file, "x.example\r\n", 11, &written, nullptr);
        CloseHandle(file);
    }
    HWND sheet = open(kBlockSites, kVisits);
    ASSERT_NE(sheet, nullptr);
    service_->mark();
    postClick(page_, 1012);
    HWND dialog = manager_.waitForWindow("Open");
    ASSERT_NE(dialog, nullptr) << "no file dialog";
    HWND field = fileNameField(dialog);
    ASSERT_NE(field, nullptr);
    SendMessageA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(list.c_str()));
    postClick(dialog, IDOK);
    ASSERT_TRUE(waitFor([&] { return !IsWindow(dialog); }));
    ASSERT_TRUE(barrier(GetDlgItem(page_, kEdit)));
    const std::string folder = programDirectory();
    std::string quotedFolder;
    for (char ch : folder) quotedFolder += ch == '\\' ? std::string("\\x5C") : std::string(1, ch);
    EXPECT_EQ(calls(),
              (Strings{"UploadFromFile(\"" + quotedFolder + "\", \"import-list.txt\", 0, 0)",
                       "GetPersBlockSites()"}));
    EXPECT_EQ(listItems(page_, kBlockList), Strings{"imported.example/"});
    service_->mark();
    pressOk(sheet);
    // The import counts as a change of the log as well.
    EXPECT_EQ(only(calls(), "SetVisitedSites").size(), 1u);
    EXPECT_TRUE(only(calls(), "SetPersBlockSites").empty());
    DeleteFileA(list.c_str());
}

TEST_F(SiteLists, AFailedFetchIsShownAndTheSheetGoesOn) {
    HWND sheet = openSheetAndMark({"fail=GetVisitedSites", "blocklist=kept.example/"});
    ASSERT_NE(sheet, nullptr);
    PostMessageA(sheet, PSM_SETCURSEL, kBlockSites, 0);
    SeenMessageBox box = manager_.waitForMessageBox();
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_NE(box.text.find("IManagerData::GetVisitedSites failed"), std::string::npos) << box.text;
    answerMessageBox(box);
    EXPECT_TRUE(IsWindow(sheet));
    EXPECT_EQ(currentPageIndex(sheet), kBlockSites);
    postClick(sheet, IDCANCEL);
    EXPECT_TRUE(manager_.waitForExit());
}

}  // namespace
}  // namespace tb::test
