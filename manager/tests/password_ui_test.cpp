// Start-up, the password gate and the single instance.
#include "manager/tests/ui_fixture.h"

namespace tb::test {
namespace {

using Strings = std::vector<std::string>;

class PasswordGate : public ManagerUiTest {};

TEST_F(PasswordGate, FirstRunShowsOnlyTheNewPasswordDialogAndEnds) {
    serve({"nopassword"});
    ASSERT_TRUE(manager_.start());
    HWND dialog = manager_.waitForWindow("Tamberly Password");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(manager_.findWindow("Tamberly Password Verification"), nullptr);
    EXPECT_EQ(manager_.findWindow(kSheetTitle), nullptr);
    setText(dialog, 1025, "Kite7");
    setText(dialog, 1024, "Kite7");
    postClick(dialog, IDOK);
    ASSERT_TRUE(manager_.waitForExit()) << "the program goes on after the first password";
    EXPECT_EQ(service_->calls(),
              (Strings{"VerifyPassword(\"\\xFE\")", "VerifyPassword(\"\\xFEKite7\")"}));
}

TEST_F(PasswordGate, FiveBadNewPasswordsCloseTheDialogWithoutSettingOne) {
    serve({"nopassword"});
    ASSERT_TRUE(manager_.start());
    HWND dialog = manager_.waitForWindow("Tamberly Password");
    ASSERT_NE(dialog, nullptr);
    const std::pair<const char*, const char*> tries[] = {
        {"a", ""}, {"", "a"}, {"abc", "abC"}, {"", ""}, {"x", "y"}};
    for (int i = 0; i < 5; ++i) {
        ASSERT_FALSE(manager_.hasExited()) << "closed after " << i << " tries";
        setText(dialog, 1025, tries[i].first);
        setText(dialog, 1024, tries[i].second);
        click(dialog, IDOK);
        if (i < 4) {
            EXPECT_EQ(text(dialog, 1025), "") << "try " << i;
            EXPECT_EQ(text(dialog, 1024), "") << "try " << i;
            EXPECT_TRUE(manager_.noMessageBox());
        }
    }
    EXPECT_TRUE(manager_.waitForExit());
    EXPECT_EQ(service_->calls(), Strings{"VerifyPassword(\"\\xFE\")"});
}

TEST_F(PasswordGate, TheSixthWrongPasswordEndsTheProgram) {
    serve({"password=Right"});
    ASSERT_TRUE(manager_.start());
    HWND dialog = manager_.waitForWindow("Tamberly Password Verification");
    ASSERT_NE(dialog, nullptr);
    for (int i = 1; i <= 5; ++i) {
        setText(dialog, 1022, "wrong" + std::to_string(i));
        click(dialog, IDOK);
        ASSERT_FALSE(manager_.hasExited()) << "closed after " << i << " wrong passwords";
        EXPECT_TRUE(manager_.noMessageBox());
    }
    setText(dialog, 1022, "wrong6");
    click(dialog, IDOK);
    EXPECT_TRUE(manager_.waitForExit());
    EXPECT_EQ(manager_.findWindow(kSheetTitle), nullptr);
    EXPECT_EQ(only(service_->calls(), "VerifyPassword").size(), 7u);
}

TEST_F(PasswordGate, TheRightPasswordAfterWrongOnesOpensTheSheetOnAdmin) {
    serve({"password=Right"});
    ASSERT_TRUE(manager_.start());
    HWND dialog = manager_.waitForWindow("Tamberly Password Verification");
    ASSERT_NE(dialog, nullptr);
    for (int i = 0; i < 5; ++i) {
        setText(dialog, 1022, "nope");
        click(dialog, IDOK);
    }
    setText(dialog, 1022, "Right");
    postClick(dialog, IDOK);
    HWND sheet = manager_.waitForWindow(kSheetTitle);
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(currentPageIndex(sheet), 0);
    EXPECT_EQ(manager_.tabText(sheet, 0), "Admin");
    // The Admin page's OK uses the password as typed (filtering is on, so
    // the first switch turns it off and a second one back on).
    pressOk(sheet);
    EXPECT_EQ(only(service_->calls(), "TBOn(\"Right\")").size(), 2u);
}

TEST_F(PasswordGate, ASecondCopyBringsTheFirstSheetForwardAndEnds) {
    HWND sheet = openSheet();
    ASSERT_NE(sheet, nullptr);
    service_->mark();
    // Something else in front first.
    HWND other = CreateWindowExA(0, "STATIC", "other", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100,
                                 100, nullptr, nullptr, nullptr, nullptr);
    SetForegroundWindow(other);
    ShowWindow(sheet, SW_MINIMIZE);
    ManagerProcess second;
    ASSERT_TRUE(second.start());
    EXPECT_TRUE(second.waitForExit());
    EXPECT_TRUE(calls().empty()) << "the second copy talked to the service";
    EXPECT_FALSE(IsIconic(sheet));
    EXPECT_EQ(GetForegroundWindow(), sheet);
    DestroyWindow(other);
    postClick(sheet, IDCANCEL);
    EXPECT_TRUE(manager_.waitForExit());
}

TEST_F(PasswordGate, CancelAtTheSheetSendsNothing) {
    HWND sheet = openSheet();
    ASSERT_NE(sheet, nullptr);
    service_->mark();
    postClick(sheet, IDCANCEL);
    EXPECT_TRUE(manager_.waitForExit());
    EXPECT_EQ(calls(), Strings{});
}

}  // namespace
}  // namespace tb::test
