// The Categories and Words pages.
#include "manager/tests/ui_fixture.h"

#include <algorithm>

namespace tb::test {
namespace {

using Strings = std::vector<std::string>;
constexpr int kCategoriesPage = 1, kWordsPage = 5;
constexpr int kAdult = 1031, kExtremist = 1034, kFirearms = 1035, kGambling = 1039, kSatanic = 1040,
              kHate = 1041;
constexpr int kWordEdit = 1004, kAddWord = 1021, kRemoveWord = 1008, kWordList = 1002;
const Strings kAdminOk = {"TBOn(\"secret\")", "TBOn(\"secret\")", "StartTimeLogging()",
                          "SetTimedAccess(1)"};

Strings plus(Strings a, const Strings& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class Categories : public ManagerUiTest {};

TEST_F(Categories, ReadsTheFiveSwitchableCategoriesAndShowsThem) {
    HWND sheet = openSheetAndMark({"category.2=0", "category.5=1"});
    ASSERT_NE(sheet, nullptr);
    HWND page = selectPage(sheet, kCategoriesPage);
    EXPECT_EQ(calls(), (Strings{"GetCategoryState(1)", "GetCategoryState(2)", "GetCategoryState(3)",
                                "GetCategoryState(5)", "GetCategoryState(4)"}));
    EXPECT_TRUE(isChecked(page, kAdult));
    EXPECT_FALSE(isEnabled(page, kAdult));
    EXPECT_TRUE(isChecked(page, kExtremist));
    EXPECT_FALSE(isChecked(page, kFirearms));
    EXPECT_TRUE(isChecked(page, kGambling));
    EXPECT_TRUE(isChecked(page, kSatanic));
    EXPECT_TRUE(isChecked(page, kHate));
    service_->mark();
    pressOk(sheet);
    EXPECT_EQ(calls(), kAdminOk) << "nothing changed, nothing sent";
}

TEST_F(Categories, UncheckingGamblingSendsExactlyThatAndNeverTheAdultCategory) {
    HWND sheet = openSheet();
    ASSERT_NE(sheet, nullptr);
    HWND page = selectPage(sheet, kCategoriesPage);
    click(page, kGambling);
    // The adult box is disabled; a click message changes nothing.
    SendMessageA(GetDlgItem(page, kAdult), BM_CLICK, 0, 0);
    selectPage(sheet, 0);
    service_->mark();
    pressOk(sheet);
    EXPECT_EQ(calls(), plus(kAdminOk, {"SetCategoryState(3, 0)"}));
    EXPECT_TRUE(only(service_->calls(), "SetCategoryState(0").empty());
}

TEST_F(Categories, CheckingABoxBackBeforeOkSendsNothing) {
    HWND sheet = openSheet();
    ASSERT_NE(sheet, nullptr);
    HWND page = selectPage(sheet, kCategoriesPage);
    click(page, kGambling);
    click(page, kGambling);
    click(page, kHate);
    service_->mark();
    pressOk(sheet);
    EXPECT_EQ(calls(), plus(kAdminOk, {"SetCategoryState(5, 1)"}));
}

class Words : public ManagerUiTest {
  protected:
    HWND openWords(const Strings& script) {
        HWND sheet = openSheet(script);
        if (!sheet) return nullptr;
        page_ = selectPage(sheet, kWordsPage);
        return sheet;
    }
    void add(const std::string& word) {
        setText(page_, kWordEdit, word);
        click(page_, kAddWord);
    }
    Strings words() const {
        Strings w = listItems(page_, kWordList);
        std::sort(w.begin(), w.end());
        return w;
    }
    HWND page_ = nullptr;
};

TEST_F(Words, AddingIsCaseSensitiveSkipsDuplicatesAndRefusesTheBrand) {
    HWND sheet = openWords({"word=bad", "word=ugly"});
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(words(), (Strings{"bad", "ugly"}));
    add("Bad");
    EXPECT_EQ(words(), (Strings{"Bad", "bad", "ugly"}));
    EXPECT_EQ(text(page_, kWordEdit), "") << "an added word leaves the edit";
    add("bad");
    EXPECT_EQ(words(), (Strings{"Bad", "bad", "ugly"}));
    EXPECT_EQ(text(page_, kWordEdit), "bad") << "a duplicate is ignored";
    EXPECT_TRUE(manager_.noMessageBox());
    add("");
    add("  \t ");
    EXPECT_EQ(words().size(), 3u);
    setText(page_, kWordEdit, std::string(260, 'w'));
    postClick(page_, kAddWord);
    SeenMessageBox tooLong = manager_.waitForMessageBox();
    ASSERT_NE(tooLong.hwnd, nullptr);
    EXPECT_EQ(tooLong.text,
              "This word is longer than 259 characters.\nPlease enter a shorter word.");
    answerMessageBox(tooLong);
    EXPECT_EQ(words().size(), 3u);
    setText(page_, kWordEdit, "xOrVaNy");
    postClick(page_, kAddWord);
    SeenMessageBox box = manager_.waitForMessageBox();
    ASSERT_NE(box.hwnd, nullptr);
    EXPECT_EQ(box.text,
              "Tamberly uses portions of the orvan.com website.\nTherefore, orvan.com and the word "
              "Orvan cannot be "
              "blocked.");
    answerMessageBox(box);
    EXPECT_EQ(words().size(), 3u);
    // Enter in the edit adds the word and leaves the sheet open.
    setText(page_, kWordEdit, "gross");
    pressEnter(GetDlgItem(page_, kWordEdit));
    EXPECT_TRUE(IsWindow(sheet));
    EXPECT_EQ(words(), (Strings{"Bad", "bad", "gross", "ugly"}));
    service_->mark();
    pressOk(sheet);
    const Strings sent = only(calls(), "SetWords");
    ASSERT_EQ(sent.size(), 1u);
    for (const char* w : {"\"Bad\"", "\"bad\"", "\"gross\"", "\"ugly\""}) {
        EXPECT_NE(sent[0].find(w), std::string::npos) << w;
    }
}

TEST_F(Words, RemovingEveryWordSendsAnEmptyArray) {
    HWND sheet = openWords({"word=bad", "word=ugly"});
    ASSERT_NE(sheet, nullptr);
    SendMessageA(GetDlgItem(page_, kWordList), LB_SETSEL, TRUE, -1);
    click(page_, kRemoveWord);
    EXPECT_TRUE(words().empty());
    click(page_, kRemoveWord);  // nothing selected: nothing happens
    service_->mark();
    pressOk(sheet);
    EXPECT_EQ(only(calls(), "SetWords"), Strings{"SetWords([])"});
}

TEST_F(Words, RemoveTakesAtMostAThousandWordsAtOnce) {
    HWND sheet = openWords({"words=1001"});
    ASSERT_NE(sheet, nullptr);
    ASSERT_EQ(words().size(), 1001u);
    SendMessageA(GetDlgItem(page_, kWordList), LB_SETSEL, TRUE, -1);
    click(page_, kRemoveWord);
    EXPECT_EQ(words(), Strings{"w1000"});
    service_->mark();
    pressOk(sheet);
    EXPECT_EQ(only(calls(), "SetWords"), Strings{"SetWords([\"w1000\"])"});
}

TEST_F(Words, AnUnchangedListIsNotSent) {
    HWND sheet = openWords({"word=bad"});
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(only(service_->calls(), "GetWords").size(), 1u);
    service_->mark();
    pressOk(sheet);
    EXPECT_EQ(calls(), kAdminOk);
}

}  // namespace
}  // namespace tb::test
