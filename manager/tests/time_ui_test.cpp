// The Time page: the hours strips, the reset buttons and the daily totals.
#include "manager/tests/ui_fixture.h"

#include <prsht.h>

namespace tb::test {
namespace {

using Strings = std::vector<std::string>;
constexpr int kTimePage = 2;
constexpr int kAllOff = 1066, kAllSafe = 1067, kOriginal = 1068;
constexpr int kMondayAm = 1031, kMondayPm = 1045, kSundayTotal = 1062, kMondayTotal = 1064,
              kFridayTotal = 1075;
const int kTotals[7] = {1062, 1064, 1069, 1071, 1073, 1075, 1077};

std::string boolArray(const std::string& flags) {
    std::string out = "bool[";
    for (size_t i = 0; i < flags.size(); ++i) out += std::string(i ? "," : "") + flags[i];
    return out + "]";
}

// The control with the focus in the sheet's thread once it is `expected`,
// or after 5 seconds: the page moves the focus after its message box has
// gone, a moment later than the box's window.
HWND focusSettlingOn(HWND sheet, HWND expected) {
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    const DWORD thread = GetWindowThreadProcessId(sheet, nullptr);
    waitFor([&] { return GetGUIThreadInfo(thread, &gui) && gui.hwndFocus == expected; }, 5000);
    return gui.hwndFocus;
}

class TimePage : public ManagerUiTest {
  protected:
    HWND open(Strings script) {
        HWND sheet = openSheet(script);
        if (!sheet) return nullptr;
        service_->mark();
        page_ = selectPage(sheet, kTimePage);
        return sheet;
    }
    int cellWidth(int strip) const {
        RECT r{};
        GetClientRect(GetDlgItem(page_, strip), &r);
        return (r.right - r.left) / 12;
    }
    int cellX(int strip, int cell) const { return cell * cellWidth(strip) + cellWidth(strip) / 2; }
    // The calls OK sends for the hours and totals.
    Strings okCalls() {
        service_->mark();
        return calls();
    }
    HWND page_ = nullptr;
};

TEST_F(TimePage, FirstShowingReadsTotalsThenEachDaysHours) {
    HWND sheet = open({"total.3=7"});
    ASSERT_NE(sheet, nullptr);
    Strings expected;
    for (int d = 0; d < 7; ++d) expected.push_back("GetTotalHours(" + std::to_string(d) + ")");
    for (int d = 0; d < 7; ++d) expected.push_back("GetAccessHours(" + std::to_string(d) + ")");
    EXPECT_EQ(calls(), expected);
    EXPECT_EQ(text(page_, 1071), "7");
    EXPECT_EQ(text(page_, kSundayTotal), "24");
    service_->mark();
    pressOk(sheet);
    EXPECT_TRUE(only(calls(), "SetAccessHours").empty());
    EXPECT_TRUE(only(calls(), "SetTotalHours").empty());
}

TEST_F(TimePage, DraggingPaintsWithThePressedCellsNewValueWithinItsStrip) {
    HWND sheet = open({"hours.1=000000000000000000000000", "hours.0=111111111111111111111111"});
    ASSERT_NE(sheet, nullptr);
    HWND am = GetDlgItem(page_, kMondayAm);
    mouseDown(am, cellX(kMondayAm, 2), 4);
    mouseMove(am, cellX(kMondayAm, 5), 4);
    mouseMove(am, cellX(kMondayAm, 3), 4);  // back over painted cells
    mouseUp(am, cellX(kMondayAm, 3), 4);
    mouseMove(am, cellX(kMondayAm, 9), 4);  // not tracking: nothing
    HWND pm = GetDlgItem(page_, kMondayPm);
    mouseDown(pm, cellX(kMondayPm, 8), 4);
    mouseMove(pm, 5000, 4);                   // far beyond the right end
    mouseMove(pm, cellX(kMondayPm, 6), 300);  // below the strip
    mouseUp(pm, cellX(kMondayPm, 6), 300);
    // Sunday is open: a drag from an open cell closes.
    HWND sundayAm = GetDlgItem(page_, 1030);
    mouseDown(sundayAm, cellX(1030, 11), 4);
    mouseMove(sundayAm, cellX(1030, 10), 4);
    mouseUp(sundayAm, cellX(1030, 10), 4);
    service_->mark();
    pressOk(sheet);
    const Strings hours = only(calls(), "SetAccessHours");
    ASSERT_EQ(hours.size(), 7u);
    EXPECT_EQ(hours[0], "SetAccessHours(0, " + boolArray("111111111100111111111111") + ")");
    EXPECT_EQ(hours[1], "SetAccessHours(1, " + boolArray("001111000000000000111111") + ")");
    EXPECT_EQ(hours[2], "SetAccessHours(2, " + boolArray("111111111111111111111111") + ")");
    EXPECT_EQ(only(calls(), "SetTotalHours").size(), 7u);
}

TEST_F(TimePage, ASingleClickSendsEveryDaysHoursThenEveryTotalInOrder) {
    HWND sheet = open({});
    ASSERT_NE(sheet, nullptr);
    HWND am = GetDlgItem(page_, kMondayAm);
    mouseDown(am, cellX(kMondayAm, 0), 2);
    mouseUp(am, cellX(kMondayAm, 0), 2);
    service_->mark();
    pressOk(sheet);
    Strings expected = {"TBOn(\"secret\")", "TBOn(\"secret\")", "StartTimeLogging()",
                        "SetTimedAccess(1)"};
    for (int d = 0; d < 7; ++d) {
        expected.push_back(
            "SetAccessHours(" + std::to_string(d) + ", " +
            boolArray(d == 1 ? "011111111111111111111111" : "111111111111111111111111") + ")");
    }
    for (int d = 0; d < 7; ++d) expected.push_back("SetTotalHours(" + std::to_string(d) + ", 24)");
    EXPECT_EQ(calls(), expected);
}

TEST_F(TimePage, ResetButtonsFillTheGridAndOriginalHoursSetsTheTotals) {
    HWND sheet = open({"total.2=5"});
    ASSERT_NE(sheet, nullptr);
    HWND sunday = GetDlgItem(page_, kSundayTotal);
    click(page_, kAllOff);
    ASSERT_TRUE(barrier(sunday));
    EXPECT_EQ(text(page_, 1069), "5") << "All Access Off keeps the totals";
    click(page_, kOriginal);
    ASSERT_TRUE(barrier(sunday));
    for (int id : kTotals) EXPECT_EQ(text(page_, id), "24");
    service_->mark();
    pressOk(sheet);
    const Strings hours = only(calls(), "SetAccessHours");
    ASSERT_EQ(hours.size(), 7u);
    for (int d = 0; d < 7; ++d) {
        EXPECT_EQ(hours[d], "SetAccessHours(" + std::to_string(d) + ", " +
                                boolArray("000000111111111111111000") + ")");
    }
    EXPECT_EQ(only(calls(), "SetTotalHours(2"), Strings{"SetTotalHours(2, 24)"});
}

TEST_F(TimePage, AllAccessOffAndSafeSurfingLeaveTheTotalsAlone) {
    HWND sheet = open({"total.4=3"});
    ASSERT_NE(sheet, nullptr);
    click(page_, kAllSafe);
    ASSERT_TRUE(barrier(GetDlgItem(page_, kSundayTotal)));
    click(page_, kAllOff);
    ASSERT_TRUE(barrier(GetDlgItem(page_, kSundayTotal)));
    service_->mark();
    pressOk(sheet);
    for (const std::string& call : only(calls(), "SetAccessHours")) {
        EXPECT_NE(call.find(boolArray("000000000000000000000000")), std::string::npos) << call;
    }
    EXPECT_EQ(only(calls(), "SetTotalHours(4"), Strings{"SetTotalHours(4, 3)"});
}

TEST_F(TimePage, TotalsOutOfRangeAreRefusedFridayFirstAndKeepTheSheetOpen) {
    HWND sheet = open({});
    ASSERT_NE(sheet, nullptr);
    setText(page_, kMondayTotal, "25");
    setText(page_, kFridayTotal, "-1");
    postClick(sheet, IDOK);
    SeenMessageBox box = manager_.waitForMessageBox();
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.text, "Please enter a number between 0 and 24.");
    EXPECT_TRUE(box.hasIcon);
    answerMessageBox(box);
    EXPECT_EQ(focusSettlingOn(sheet, GetDlgItem(page_, kFridayTotal)),
              GetDlgItem(page_, kFridayTotal))
        << "the focus is not in Friday's total";
    ASSERT_FALSE(manager_.waitForExit(200)) << "OK closed the sheet";
    setText(page_, kFridayTotal, "0");
    postClick(sheet, IDOK);
    box = manager_.waitForMessageBox();
    ASSERT_NE(box.hwnd, nullptr);
    answerMessageBox(box);
    EXPECT_EQ(focusSettlingOn(sheet, GetDlgItem(page_, kMondayTotal)),
              GetDlgItem(page_, kMondayTotal));
    setText(page_, kMondayTotal, "twelve");
    postClick(sheet, IDOK);
    box = manager_.waitForMessageBox();
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.text, "Please enter an integer.");
    answerMessageBox(box);
    // Leaving the page is refused the same way.
    PostMessageA(sheet, PSM_SETCURSEL, 0, 0);
    box = manager_.waitForMessageBox();
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.text, "Please enter an integer.");
    answerMessageBox(box);
    EXPECT_EQ(currentPageIndex(sheet), kTimePage);
    setText(page_, kMondayTotal, " 12 ");
    service_->mark();
    pressOk(sheet);
    EXPECT_EQ(only(calls(), "SetTotalHours(1"), Strings{"SetTotalHours(1, 12)"});
    EXPECT_EQ(only(calls(), "SetTotalHours(5"), Strings{"SetTotalHours(5, 0)"});
}

}  // namespace
}  // namespace tb::test
