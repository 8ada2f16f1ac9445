#include <gtest/gtest.h>

#include "manager/hours_grid.h"
#include "manager/sheet_rules.h"

namespace tb::manager {
namespace {

TEST(HoursGrid, OriginalHoursOpenSixAmToNinePm) {
    const DayHours h = originalHoursPattern();
    for (int i = 0; i < 24; ++i) EXPECT_EQ(h[i], (i >= 6 && i <= 20) ? 1 : 0) << i;
}

TEST(HoursGrid, TheLastCellTakesThePixelsLeftOver) {
    const auto cells = cellLayout(10, 10 + 12 * 7 + 5);
    EXPECT_EQ(cells[0].left, 10);
    EXPECT_EQ(cells[0].right, 17);
    EXPECT_EQ(cells[10].right, 10 + 77);
    EXPECT_EQ(cells[11].left, 10 + 77);
    EXPECT_EQ(cells[11].right, 10 + 89);
}

TEST(HoursGrid, HitTestClampsToTheStrip) {
    EXPECT_EQ(hitCell(0, 7), 0);
    EXPECT_EQ(hitCell(13, 7), 1);
    EXPECT_EQ(hitCell(5000, 7), 11);
    EXPECT_EQ(hitCell(-3, 7), 0);
    EXPECT_EQ(hitCell(40, 0), 0);
}

TEST(HoursGrid, DraggingPaintsWithTheValueOfThePressedCell) {
    StripPainter p;
    EXPECT_EQ(p.press(2), std::vector<int>{2});
    EXPECT_EQ(p.moveTo(5), (std::vector<int>{3, 4, 5}));
    // Back over painted cells: nothing changes.
    EXPECT_TRUE(p.moveTo(3).empty());
    EXPECT_EQ(p.moveTo(0), (std::vector<int>{0, 1}));
    p.release();
    EXPECT_EQ(p.lastCell(), -1);
    EXPECT_TRUE(p.moveTo(11).empty()) << "no painting after the button is up";
    const StripFlags expected = {1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(p.flags(), expected);
}

TEST(HoursGrid, StartingOnAnOpenCellCloses) {
    StripPainter p(StripFlags{1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1});
    p.press(11);
    EXPECT_EQ(p.moveTo(9), (std::vector<int>{9, 10}));
    EXPECT_EQ(p.flags()[8], 1);
    EXPECT_EQ(p.flags()[9], 0);
}

TEST(HoursGrid, OnlyOneCountsAsOpen) {
    StripPainter p(StripFlags{2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    p.press(0);
    EXPECT_EQ(p.flags()[0], 1) << "an odd value reads as closed and flips to open";
}

TEST(HoursGrid, TotalsAreCheckedFridayFirst) {
    std::array<int, kDays> totals = {24, 25, 0, 0, 0, -1, 0};
    EXPECT_EQ(firstTotalOutOfRange(totals), 5);
    totals[5] = 24;
    EXPECT_EQ(firstTotalOutOfRange(totals), 1);
    totals[1] = 0;
    EXPECT_EQ(firstTotalOutOfRange(totals), std::nullopt);
}

TEST(SheetRules, OnlyTheUninstallSwitchAloneAsksForTheUninstall) {
    EXPECT_TRUE(isUninstallCommand("/uninstall"));
    EXPECT_TRUE(isUninstallCommand("  /UNINSTALL\t"));
    EXPECT_TRUE(isUninstallCommand("-Uninstall"));
    const char* const others[] = {"", "   ", "/uninstallx", "/uninstall now", "uninstall", nullptr};
    for (const char* other : others)
        EXPECT_FALSE(isUninstallCommand(other)) << (other ? other : "(null)");
}

TEST(SheetRules, TimeTabCaptionGetsOneOffMarkAndLosesIt) {
    EXPECT_EQ(timeTabCaption("Time", false), "Time (Off)");
    EXPECT_EQ(timeTabCaption("Time (Off)", false), "Time (Off)");
    EXPECT_EQ(timeTabCaption("Time (Off)", true), "Time");
    EXPECT_EQ(timeTabCaption("Time", true), "Time");
}

struct Switch {
    bool state;
    int calls = 0;
    bool operator()() {
        ++calls;
        state = !state;
        return state;
    }
};

TEST(SheetRules, FilterChoiceSwitchesTwiceOnlyWhenTheFirstWentTheWrongWay) {
    Switch on{true};
    EXPECT_EQ(applyFilterChoice(true, std::ref(on)), TimeLogging::Start);
    EXPECT_EQ(on.calls, 2);
    EXPECT_TRUE(on.state);
    Switch off{false};
    EXPECT_EQ(applyFilterChoice(true, std::ref(off)), TimeLogging::Unchanged);
    EXPECT_EQ(off.calls, 1);
    Switch on2{true};
    EXPECT_EQ(applyFilterChoice(false, std::ref(on2)), TimeLogging::Unchanged);
    EXPECT_EQ(on2.calls, 1);
    Switch off2{false};
    EXPECT_EQ(applyFilterChoice(false, std::ref(off2)), TimeLogging::Stop);
    EXPECT_EQ(off2.calls, 2);
    EXPECT_FALSE(off2.state);
}

TEST(SheetRules, CategoryChangesSkipTheAdultCategoryAndKeepAscendingOrder) {
    const CategoryValues read = {1, 1, 1, 1, 1, 0};
    CategoryValues shown = {0, 1, 0, 1, 1, 1};
    const auto changes = categoryChanges(read, shown);
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].category, 2);
    EXPECT_EQ(changes[0].value, 0);
    EXPECT_EQ(changes[1].category, 5);
    EXPECT_EQ(changes[1].value, 1);
}

TEST(SheetRules, TheBrandStemIsRefusedInsideWordsInAnyCase) {
    EXPECT_EQ(brandStem(), "orvan");
    EXPECT_TRUE(wordRefused("xORVANy"));
    EXPECT_FALSE(wordRefused("orva"));
}

TEST(SheetRules, PasswordChangeReportsTheFirstProblem) {
    int asked = 0;
    auto right = [&](std::string_view old) {
        ++asked;
        return old == "old";
    };
    EXPECT_EQ(checkPasswordChange("", "", "", right), ChangePasswordResult::OldEmpty);
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(checkPasswordChange("old", "", "", right), ChangePasswordResult::NewEmpty);
    EXPECT_EQ(checkPasswordChange("old", "n", "", right), ChangePasswordResult::ConfirmEmpty);
    EXPECT_EQ(checkPasswordChange("old", "n", "N", right), ChangePasswordResult::Mismatch);
    EXPECT_EQ(checkPasswordChange("bad", "n", "n", right), ChangePasswordResult::WrongOld);
    EXPECT_EQ(checkPasswordChange("old", "n", "n", right), ChangePasswordResult::Accepted);
    EXPECT_EQ(checkPasswordChange("", "n", "N", right), ChangePasswordResult::OldEmpty);
}

TEST(SheetRules, NewPasswordNeedsTwoEqualTexts) {
    EXPECT_TRUE(newPasswordAccepted("Pw", "Pw"));
    EXPECT_FALSE(newPasswordAccepted("Pw", "pw"));
    EXPECT_FALSE(newPasswordAccepted("", ""));
    EXPECT_EQ(setPasswordText("new"), "\xFEnew");
}

}  // namespace
}  // namespace tb::manager
