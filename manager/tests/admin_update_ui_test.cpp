// The sheet itself, the Admin page and the Update page.
#include "manager/tests/ui_fixture.h"

#include <commctrl.h>

#include <algorithm>

namespace tb::test {
namespace {

using Strings = std::vector<std::string>;
constexpr int kFilterOn = 1010, kFilterOff = 1011, kChangePassword = 1007, kUninstall = 1008;
constexpr int kTimedOn = 1012, kTimedOff = 1013, kTimeZone = 1086;
constexpr int kUrlEdit = 1026, kGo = 1084, kUpdate = 1083, kBrowser = 1006;
const std::string kUpdatePage = "\"http://www.orvan.com/tamberly/tamberlyupdatesmall.asp\"";
const std::string kHelpPage = "\"http://www.orvan.com/tamberly/tamberlyusing.asp?M\"";

class Sheet : public ManagerUiTest {};

TEST_F(Sheet, OpeningReadsOnlyWhatTheAdminPageShows) {
    HWND sheet = openSheet();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(service_->calls(),
              (Strings{"VerifyPassword(\"\\xFE\")", "VerifyPassword(\"secret\")", "TBOn(\"\")",
                       "GetTimedAccess()", "GetTimezoneString()"}));
    const Strings tabs = {"Admin",       "Categories", "Time",  "Block Sites",
                          "Allow Sites", "Words",      "Update"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(manager_.tabText(sheet, i), tabs[i]);
    // No Apply button; a Help button; fixed 80-pixel tabs on one row.
    HWND apply = GetDlgItem(sheet, 0x3021);
    EXPECT_TRUE(!apply || !IsWindowVisible(apply));
    EXPECT_NE(GetDlgItem(sheet, IDHELP), nullptr);
    HWND tabCtl = tabControl(sheet);
    const LONG style = GetWindowLongA(tabCtl, GWL_STYLE);
    EXPECT_TRUE(style & TCS_FIXEDWIDTH);
    EXPECT_FALSE(style & TCS_MULTILINE);
    EXPECT_EQ(SendMessageA(tabCtl, TCM_GETROWCOUNT, 0, 0), 1);
    postClick(sheet, IDCANCEL);
    EXPECT_TRUE(manager_.waitForExit());
}

TEST_F(Sheet, OkWithoutChangesSendsOnlyTheAdminSwitches) {
    HWND sheet = openSheetAndMark({"filter=1"});
    ASSERT_NE(sheet, nullptr);
    // Visit pages without changing anything.
    for (int page : {1, 3, 4, 5}) ASSERT_NE(selectPage(sheet, page), nullptr);
    service_->mark();
    pressOk(sheet);
    EXPECT_EQ(calls(), (Strings{"TBOn(\"secret\")", "TBOn(\"secret\")", "StartTimeLogging()",
                                "SetTimedAccess(1)"}));
}

struct FilterCase {
    const char* state;
    int choice;
    Strings expected;
};

class AdminFilterSwitch : public ManagerUiTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(AdminFilterSwitch, OkSwitchesTowardsTheChoiceAndSetsTimedAccess) {
    HWND sheet = openSheetAndMark({GetParam().state});
    ASSERT_NE(sheet, nullptr);
    HWND admin = currentPage(sheet);
    click(admin, GetParam().choice);
    pressOk(sheet);
    EXPECT_EQ(calls(), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    FourCases, AdminFilterSwitch,
    ::testing::Values(FilterCase{"filter=1",
                                 kFilterOn,
                                 {"TBOn(\"secret\")", "TBOn(\"secret\")", "StartTimeLogging()",
                                  "SetTimedAccess(1)"}},
                      FilterCase{"filter=0", kFilterOn, {"TBOn(\"secret\")", "SetTimedAccess(1)"}},
                      FilterCase{"filter=1", kFilterOff, {"TBOn(\"secret\")", "SetTimedAccess(1)"}},
                      FilterCase{"filter=0",
                                 kFilterOff,
                                 {"TBOn(\"secret\")", "TBOn(\"secret\")", "StopTimeLogging()",
                                  "SetTimedAccess(1)"}}));

TEST_F(Sheet, TimedAccessOffLocksTheTimeTabAndMarksItOnce) {
    HWND sheet = openSheet({"timed=0"});
    ASSERT_NE(sheet, nullptr);
    HWND admin = currentPage(sheet);
    EXPECT_TRUE(isChecked(admin, kTimedOff));
    EXPECT_EQ(manager_.tabText(sheet, 2), "Time (Off)");
    clickTab(sheet, 3);
    ASSERT_EQ(currentPageIndex(sheet), 3);
    clickTab(sheet, 2);
    EXPECT_EQ(currentPageIndex(sheet), 3) << "the locked Time tab was selected";
    selectPage(sheet, 0);
    click(admin, kTimedOff);
    EXPECT_EQ(manager_.tabText(sheet, 2), "Time (Off)");
    click(admin, kTimedOn);
    EXPECT_EQ(manager_.tabText(sheet, 2), "Time");
    clickTab(sheet, 2);
    EXPECT_EQ(currentPageIndex(sheet), 2);
    selectPage(sheet, 0);
    click(admin, kTimedOff);
    EXPECT_EQ(manager_.tabText(sheet, 2), "Time (Off)");
    service_->mark();
    pressOk(sheet);
    EXPECT_EQ(only(calls(), "SetTimedAccess"), Strings{"SetTimedAccess(0)"});
}

TEST_F(Sheet, TheTimeZoneListComesFromTheRegistrySortedAndIsSentWhenChanged) {
    HWND sheet = openSheet({"timezone=(UTC-08:00) Pacific"});
    ASSERT_NE(sheet, nullptr);
    HWND combo = GetDlgItem(currentPage(sheet), kTimeZone);
    const Strings zones = comboItems(combo);
    const int n = static_cast<int>(zones.size());
    ASSERT_GT(n, 50);
    EXPECT_TRUE(
        std::is_sorted(zones.begin(), zones.end(), [](const std::string& a, const std::string& b) {
            return lstrcmpiA(a.c_str(), b.c_str()) < 0;
        }));
    EXPECT_EQ(windowText(combo), "(UTC-08:00) Pacific Time (US & Canada)");
    const int utc = static_cast<int>(
        std::find(zones.begin(), zones.end(), "(UTC) Coordinated Universal Time") - zones.begin());
    ASSERT_LT(utc, n);
    SendMessageA(combo, CB_SETCURSEL, utc, 0);
    SendMessageA(currentPage(sheet), WM_COMMAND, MAKEWPARAM(kTimeZone, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    service_->mark();
    pressOk(sheet);
    EXPECT_EQ(calls(), (Strings{"TBOn(\"secret\")", "TBOn(\"secret\")", "StartTimeLogging()",
                                "SetTimezoneString(\"(UTC) Coordinated Universal Time\")",
                                "SetTimedAccess(1)"}));
}

TEST_F(Sheet, ChangePasswordReportsEachProblemAndUsesTheNewPasswordAtOk) {
    HWND sheet = openSheetAndMark();
    ASSERT_NE(sheet, nullptr);
    postClick(currentPage(sheet), kChangePassword);
    HWND dialog = manager_.waitForWindow("Change Tamberly Password");
    ASSERT_NE(dialog, nullptr);
    const struct {
        const char *old, *fresh, *confirm, *message;
    } problems[] = {
        {"", "", "", "Please enter your old password."},
        {"secret", "", "", "Please enter your new password."},
        {"secret", "new1", "", "Please confirm your new password."},
        {"secret", "new1", "new2",
         "The confirmation must match the new password.\nPlease re-enter your new pasword."},
    };
    for (const auto& p : problems) {
        setText(dialog, 1025, p.old);
        setText(dialog, 1026, p.fresh);
        setText(dialog, 1027, p.confirm);
        postClick(dialog, IDOK);
        SeenMessageBox box = manager_.waitForMessageBox();
        ASSERT_NE(box.hwnd, nullptr) << p.message;
        EXPECT_EQ(box.text, p.message);
        EXPECT_FALSE(box.hasIcon);
        answerMessageBox(box);
    }
    EXPECT_EQ(text(dialog, 1026), "") << "a mismatch empties the new fields";
    EXPECT_EQ(text(dialog, 1027), "");
    // The fifth try succeeds; the old password is checked as typed.
    setText(dialog, 1025, "Secret");
    setText(dialog, 1026, "Fresh9");
    setText(dialog, 1027, "Fresh9");
    postClick(dialog, IDOK);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(dialog); }));
    pressOk(sheet);
    EXPECT_EQ(calls(), (Strings{"VerifyPassword(\"secret\")", "VerifyPassword(\"secret\")",
                                "VerifyPassword(\"secret\")", "VerifyPassword(\"Secret\")",
                                "VerifyPassword(\"\\xFEFresh9\")", "TBOn(\"Fresh9\")",
                                "TBOn(\"Fresh9\")", "StartTimeLogging()", "SetTimedAccess(1)"}));
}

TEST_F(Sheet, AWrongOldPasswordIsSilentAndTheFifthFailureClosesTheDialog) {
    HWND sheet = openSheetAndMark();
    ASSERT_NE(sheet, nullptr);
    postClick(currentPage(sheet), kChangePassword);
    HWND dialog = manager_.waitForWindow("Change Tamberly Password");
    ASSERT_NE(dialog, nullptr);
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(IsWindow(dialog)) << "closed after " << i;
        setText(dialog, 1025, "wrong");
        setText(dialog, 1026, "n");
        setText(dialog, 1027, "n");
        postClick(dialog, IDOK);
        if (i == 4) break;
        ASSERT_TRUE(barrier(GetDlgItem(dialog, 1025)));
        EXPECT_TRUE(manager_.noMessageBox());
        const DWORD selection =
            static_cast<DWORD>(SendDlgItemMessageA(dialog, 1025, EM_GETSEL, 0, 0));
        EXPECT_EQ(LOWORD(selection), 0);
        EXPECT_EQ(HIWORD(selection), 5) << "the old password is not selected";
        EXPECT_EQ(text(dialog, 1026), "n");
    }
    EXPECT_TRUE(waitFor([&] { return !IsWindow(dialog); }));
    EXPECT_TRUE(IsWindow(sheet));
    EXPECT_EQ(calls(), Strings(5, "VerifyPassword(\"wrong\")"));
    postClick(sheet, IDCANCEL);
    EXPECT_TRUE(manager_.waitForExit());
}

TEST_F(Sheet, UninstallIsAskedAtOnceAndTheSheetStays) {
    HWND sheet = openSheetAndMark();
    ASSERT_NE(sheet, nullptr);
    click(currentPage(sheet), kUninstall);
    EXPECT_EQ(calls(), Strings{"UninstallTB()"});
    SendMessageA(sheet, WM_SYSCOMMAND, 0x20, 0);
    EXPECT_EQ(calls(), (Strings{"UninstallTB()", "UninstallTB()"}));
    PostMessageA(sheet, WM_SYSCOMMAND, 0x10, 0);
    HWND about = manager_.waitForWindow("About Tamberly");
    ASSERT_NE(about, nullptr);
    postClick(about, IDOK);
    EXPECT_TRUE(waitFor([&] { return !IsWindow(about); }));
    // The system menu carries both items.
    service_->mark();
    postClick(sheet, IDCANCEL);
    EXPECT_TRUE(manager_.waitForExit());
    EXPECT_TRUE(calls().empty());
}

TEST_F(Sheet, AFailedServiceCallIsShownAndTheSheetStaysOpen) {
    HWND sheet = openSheetAndMark({"fail=SetTimedAccess"});
    ASSERT_NE(sheet, nullptr);
    postClick(sheet, IDOK);
    SeenMessageBox box = manager_.waitForMessageBox();
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_NE(box.text.find("IManagerData::SetTimedAccess failed with 0x80004005"),
              std::string::npos)
        << box.text;
    EXPECT_TRUE(box.hasIcon);
    answerMessageBox(box);
    EXPECT_FALSE(manager_.waitForExit(300));
    EXPECT_TRUE(IsWindow(sheet));
    postClick(sheet, IDCANCEL);
    EXPECT_TRUE(manager_.waitForExit());
}

class UpdatePage : public ManagerUiTest {};

TEST_F(UpdatePage, FirstShowingStopsAndOpensTheUpdatePage) {
    HWND sheet = openSheetAndMark();
    ASSERT_NE(sheet, nullptr);
    HWND page = selectPage(sheet, 6);
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(barrier(GetDlgItem(page, kUrlEdit)));
    EXPECT_EQ(calls(), (Strings{"browser.InPlaceActivate()", "browser.Stop()",
                                "browser.Navigate(" + kUpdatePage + ")"}));
    EXPECT_EQ(text(page, kUrlEdit), "http://www.orvan.com/tamberly/tamberlyupdatesmall.asp");
    service_->mark();
    click(page, kUpdate);
    EXPECT_EQ(calls(), (Strings{"browser.Stop()", "browser.Navigate(" + kUpdatePage + ")"}));
    pressOk(sheet);
}

TEST_F(UpdatePage, EnterNavigatesAndTheEditFollowsTheCompletedNavigation) {
    HWND sheet = openSheet();
    ASSERT_NE(sheet, nullptr);
    HWND page = selectPage(sheet, 6);
    HWND edit = GetDlgItem(page, kUrlEdit);
    ASSERT_TRUE(barrier(edit));
    service_->mark();
    setText(page, kUrlEdit, "http://kids.example/start#redirect=http://kids.example/final");
    pressEnter(edit);
    ASSERT_TRUE(barrier(edit));
    EXPECT_TRUE(IsWindow(sheet)) << "Enter closed the sheet";
    EXPECT_EQ(
        calls(),
        (Strings{
            "browser.Stop()",
            "browser.Navigate(\"http://kids.example/start#redirect=http://kids.example/final\")"}));
    EXPECT_EQ(text(page, kUrlEdit), "http://kids.example/final");
    // Completed navigations to the advertising server leave the edit alone.
    setText(page, kUrlEdit, "x#redirect=http://ads.fernwheel.biz/banner");
    click(page, kGo);
    ASSERT_TRUE(barrier(edit));
    EXPECT_EQ(text(page, kUrlEdit), "x#redirect=http://ads.fernwheel.biz/banner");
    service_->mark();
    pressOk(sheet);
    EXPECT_TRUE(only(calls(), "browser").empty());
}

TEST_F(UpdatePage, HelpJumpsToUpdateAndShowsTheHelpPage) {
    HWND sheet = openSheetAndMark();
    ASSERT_NE(sheet, nullptr);
    click(sheet, IDHELP);
    EXPECT_EQ(currentPageIndex(sheet), 6);
    HWND page = currentPage(sheet);
    ASSERT_TRUE(barrier(GetDlgItem(page, kUrlEdit)));
    EXPECT_EQ(calls(), (Strings{"browser.InPlaceActivate()", "browser.Stop()",
                                "browser.Navigate(" + kUpdatePage + ")",
                                "browser.Navigate(" + kHelpPage + ")"}));
    EXPECT_EQ(text(page, kUrlEdit), "http://www.orvan.com/tamberly/tamberlyusing.asp?M");
    service_->mark();
    click(sheet, IDHELP);
    EXPECT_EQ(calls(), Strings{"browser.Navigate(" + kHelpPage + ")"});
    postClick(sheet, IDCANCEL);
    EXPECT_TRUE(manager_.waitForExit());
}

// Wine's own control: it is created and in-place activated and accepts
// Navigate and Stop, but without its HTML engine it never completes a
// navigation, so the address edit keeps what the parent typed.
class RealBrowser : public ManagerUiTest {};

TEST_F(RealBrowser, TheUpdatePageHostsWinesControlAndSurvivesNavigation) {
    HWND sheet = openSheet();
    ASSERT_NE(sheet, nullptr);
    HWND page = selectPage(sheet, 6);
    ASSERT_NE(page, nullptr);
    HWND host = GetDlgItem(page, kBrowser);
    EXPECT_NE(GetWindow(host, GW_CHILD), nullptr) << "the control made no window in its place";
    HWND edit = GetDlgItem(page, kUrlEdit);
    // The update page was asked for; a completed navigation would show it.
    Sleep(1000);
    ASSERT_TRUE(barrier(edit));
    EXPECT_EQ(text(page, kUrlEdit), "");
    setText(page, kUrlEdit, "about:blank");
    pressEnter(edit);
    Sleep(500);
    ASSERT_TRUE(barrier(edit));
    EXPECT_TRUE(IsWindow(sheet));
    EXPECT_EQ(text(page, kUrlEdit), "about:blank");
    click(sheet, IDHELP);
    EXPECT_EQ(currentPageIndex(sheet), 6);
    service_->mark();
    pressOk(sheet);
    EXPECT_TRUE(manager_.noMessageBox());
}

}  // namespace
}  // namespace tb::test
