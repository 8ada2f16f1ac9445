#include <gtest/gtest.h>

#include "common/list_encoding.h"
#include "common/tests/memory_registry.h"
#include "service/dialogs/tests/recording_dialogs.h"
#include "service/settings/filter_switch.h"
#include "service/settings/password.h"
#include "service/settings/product_key.h"
#include "service/settings/tests/settings_fakes.h"

namespace tb::settings {
namespace {

using dialogs::testing::RecordingDialogs;

constexpr int kIncorrect = IDD_INCORRECT_PASSWORD;
constexpr int kLockedOut = IDD_LOCKED_OUT;
const std::string kMarker(1, kChangeMarker);

class PasswordTest : public ::testing::Test {
  protected:
    bool verify(const std::string& text) {
        const VerifyOutcome outcome = keeper.verifyPassword(text, true);
        EXPECT_TRUE(outcome.completed);
        return outcome.verified.value_or(false);
    }
    std::optional<std::string> registryCopy() {
        const auto value = registry.readString(RegRoot::LocalMachine, kPasswordKey, "");
        if (!value) return std::nullopt;
        return decoded(*value, kDefaultListKey);
    }
    void withPassword(const std::string& password) { entries.passwordEntry = password; }
    void withRegistryCopy(const std::string& password) {
        registry.createKey(RegRoot::LocalMachine, kPasswordKey);
        registry.writeString(RegRoot::LocalMachine, kPasswordKey, "",
                             encoded(password, kDefaultListKey));
    }

    testing::MemoryPasswordEntries entries;
    ::tb::testing::MemoryRegistry registry;
    RecordingDialogs dialogs;
    testing::FixedClock clock;
    PasswordKeeper keeper{entries, registry, dialogs, clock};
};

// Checking, setting and changing ------------------------------------------------

TEST_F(PasswordTest, WithoutAPasswordTheEmptyTextIsAcceptedAndNothingStored) {
    entries.passwordEntry = std::nullopt;
    withRegistryCopy("old");
    EXPECT_TRUE(verify(""));
    EXPECT_FALSE(entries.passwordEntry);
    EXPECT_EQ(registryCopy(), std::string("old"));
}

TEST_F(PasswordTest, WithoutAPasswordTheFirstTextBecomesThePasswordInAnyCase) {
    entries.passwordEntry = std::nullopt;
    withRegistryCopy("old");
    EXPECT_TRUE(verify("Secret"));
    EXPECT_EQ(entries.passwordEntry, std::string("secret"));
    EXPECT_EQ(registryCopy(), std::string("secret"));
    EXPECT_TRUE(verify("SECRET"));
    EXPECT_FALSE(verify("other"));
    EXPECT_EQ(dialogs.ids(), std::vector<int>{kIncorrect});
}

TEST_F(PasswordTest, ANewPasswordIsNotWrittenWhereTheRegistryHasNoCopy) {
    entries.passwordEntry = std::nullopt;
    EXPECT_TRUE(verify("secret"));
    EXPECT_EQ(entries.passwordEntry, std::string("secret"));
    EXPECT_FALSE(registry.keyExists(RegRoot::LocalMachine, kPasswordKey));
}

TEST_F(PasswordTest, AnEmptyPasswordAcceptsOnlyTheEmptyText) {
    withPassword("");
    EXPECT_TRUE(verify(""));
    EXPECT_FALSE(verify("x"));
    EXPECT_EQ(keeper.wrongPasswordCount(), 1);
    EXPECT_EQ(dialogs.ids(), std::vector<int>{kIncorrect});
}

TEST_F(PasswordTest, ASetPasswordIsComparedInLowerCase) {
    withPassword("secret");
    EXPECT_TRUE(verify("SeCrEt"));
    EXPECT_FALSE(verify("secret2"));
    EXPECT_FALSE(verify(""));
    EXPECT_EQ(keeper.wrongPasswordCount(), 2);
}

TEST_F(PasswordTest, SixWrongTriesLockOutUntilTheListsAreLoadedAgain) {
    withPassword("secret");
    for (int i = 0; i < 6; ++i) EXPECT_FALSE(verify("wrong"));
    EXPECT_EQ(dialogs.ids(), (std::vector<int>{kIncorrect, kIncorrect, kIncorrect, kIncorrect,
                                               kIncorrect, kLockedOut}));
    EXPECT_FALSE(verify("secret")) << "locked out: not even the right password";
    EXPECT_EQ(dialogs.ids().back(), kLockedOut);
    EXPECT_EQ(keeper.wrongPasswordCount(), 6);

    const dialogs::ControlText& text = dialogs.shown.back().texts.at(0);
    EXPECT_EQ(text.control, IDC_DIALOG_TEXT);
    EXPECT_EQ(
        text.text.rfind("You have entered more than 5 incorrect passwords.  Please restart", 0),
        0u);
    EXPECT_NE(text.text.find("via e-mail at: \"support@orvan.com\""), std::string::npos);

    keeper.resetWrongPasswordCount();
    EXPECT_TRUE(verify("secret"));
}

TEST_F(PasswordTest, TheRightPasswordStartsTheCountAgain) {
    withPassword("secret");
    for (int i = 0; i < 5; ++i) verify("wrong");
    EXPECT_TRUE(verify("secret"));
    EXPECT_EQ(keeper.wrongPasswordCount(), 0);
    EXPECT_FALSE(verify("wrong"));
    EXPECT_EQ(dialogs.ids().back(), kIncorrect);
}

TEST_F(PasswordTest, TheMarkerReplacesOnlyAPasswordVerifiedJustBefore) {
    withPassword("old");
    withRegistryCopy("old");
    // A script that never knew the password cannot take it over.
    EXPECT_FALSE(verify(kMarker + "kidpw"));
    EXPECT_EQ(entries.passwordEntry, std::string("old"));
    EXPECT_EQ(keeper.wrongPasswordCount(), 1);
    EXPECT_EQ(dialogs.ids(), std::vector<int>{kIncorrect});

    EXPECT_TRUE(verify("old"));
    clock.seconds += kChangeWindowSeconds;
    EXPECT_TRUE(verify(kMarker + "NewOne"));
    EXPECT_EQ(entries.passwordEntry, std::string("newone"));
    EXPECT_EQ(registryCopy(), std::string("newone"));
    EXPECT_FALSE(verify(kMarker + "again")) << "one change for each verification";
    EXPECT_TRUE(verify("newone"));
    EXPECT_FALSE(verify("old"));

    EXPECT_TRUE(verify("newone"));
    clock.seconds += kChangeWindowSeconds + 1;
    EXPECT_FALSE(verify(kMarker + "late"));
    EXPECT_TRUE(verify("newone"));
    clock.seconds -= 10;  // the computer's clock set back
    EXPECT_FALSE(verify(kMarker + "back"));
    EXPECT_EQ(entries.passwordEntry, std::string("newone"));
}

TEST_F(PasswordTest, TheMarkerAloneAsksWhetherAPasswordIsSet) {
    withPassword("secret");
    EXPECT_FALSE(verify(kMarker));
    EXPECT_EQ(keeper.wrongPasswordCount(), 0);
    EXPECT_TRUE(dialogs.shown.empty());

    // Without a password it answers yes and stores nothing; the marker with
    // a text then sets the first password.
    entries.passwordEntry = std::nullopt;
    EXPECT_TRUE(verify(kMarker));
    EXPECT_FALSE(entries.passwordEntry);
    EXPECT_TRUE(verify(kMarker + "First"));
    EXPECT_EQ(entries.passwordEntry, std::string("first"));

    // The empty password (a lost word file) protects nothing: it counts as
    // none, so that the parent is asked for a real one.
    withPassword("");
    EXPECT_TRUE(verify(kMarker));
    EXPECT_TRUE(verify(kMarker + "Real"));
    EXPECT_EQ(entries.passwordEntry, std::string("real"));
    EXPECT_EQ(keeper.wrongPasswordCount(), 0);
}

TEST_F(PasswordTest, NotLoadedListsAnswerFalseWithoutLookingAtThePassword) {
    withPassword("secret");
    const VerifyOutcome outcome = keeper.verifyPassword("secret", false);
    EXPECT_FALSE(outcome.completed);
    EXPECT_EQ(outcome.verified, false);
    EXPECT_TRUE(dialogs.shown.empty());
}

TEST_F(PasswordTest, TodaysMasterCodeOpensTheUninstallDialog) {
    withPassword("secret");
    for (bool ready : {true, false}) {
        const VerifyOutcome outcome = keeper.verifyPassword("QKQXTW", ready);  // 5 March 2024
        EXPECT_FALSE(outcome.completed);
        EXPECT_FALSE(outcome.verified);
    }
    EXPECT_EQ(dialogs.ids(), (std::vector<int>{IDD_UNINSTALL, IDD_UNINSTALL}));
    EXPECT_EQ(keeper.wrongPasswordCount(), 0);
}

TEST(MasterCode, SpellsMonthDayAndYearWithTheLetterTable) {
    // Letters for 0-9: q m z k h x w t j v.
    EXPECT_EQ(masterCode({5, 2, 124}), "qkqxtw");   // 03 05 76 (2024)
    EXPECT_EQ(masterCode({31, 11, 99}), "mzkmqm");  // 12 31 01 (1999)
    EXPECT_EQ(masterCode({1, 0, 100}), "qmqmqq");   // 01 01 00 (2000)
    EXPECT_EQ(masterCode({1, 0, 101}), "qmqmvv");   // 01 01 99 (2001)
    EXPECT_EQ(masterCode({9, 8, 110}), "qvqvvq");   // 09 09 90 (2010)
    EXPECT_EQ(masterCode({9, 8, 200}), "qvqvqq");   // 09 09 00 (2100)
}

// Long passwords ----------------------------------------------------------------------

TEST_F(PasswordTest, LongPasswordsCountByTheirFirst47Characters) {
    entries.passwordEntry = std::nullopt;
    const std::string long49(49, 'k');
    EXPECT_TRUE(verify(long49));
    EXPECT_EQ(entries.passwordEntry, std::string(47, 'k'));
    EXPECT_TRUE(verify(long49));
    EXPECT_TRUE(keeper.matches(long49));
    EXPECT_TRUE(keeper.matches(std::string(47, 'K')));

    // A long password written by an older version still matches.
    withPassword(std::string(60, 'p'));
    EXPECT_TRUE(verify(std::string(60, 'p')));
    EXPECT_TRUE(keeper.matches(std::string(49, 'p')));
}

// The registry copy ----------------------------------------------------------------------

TEST_F(PasswordTest, LoadingMovesALegacyPlainPasswordIntoTheProductKey) {
    registry.createKey(RegRoot::LocalMachine, kLegacyPasswordKey);
    registry.writeString(RegRoot::LocalMachine, kLegacyPasswordKey, "", "Plain");
    entries.passwordEntry = std::nullopt;
    keeper.loadPassword();
    EXPECT_EQ(registryCopy(), std::string("plain"));
    EXPECT_EQ(registry.readString(RegRoot::LocalMachine, kPasswordKey, ""),
              encoded("Plain", kDefaultListKey));
    EXPECT_FALSE(registry.keyExists(RegRoot::LocalMachine, kLegacyPasswordKey));
    EXPECT_TRUE(
        registry.keyExists(RegRoot::LocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion"));
    EXPECT_EQ(entries.passwordEntry, std::string("plain"));
}

TEST_F(PasswordTest, AnEmptyLegacyKeyGoesAndTheProductCopyIsUsed) {
    registry.createKey(RegRoot::LocalMachine, kLegacyPasswordKey);
    withRegistryCopy("kept");
    withPassword("fromwordfile");
    keeper.loadPassword();
    EXPECT_FALSE(registry.keyExists(RegRoot::LocalMachine, kLegacyPasswordKey));
    EXPECT_EQ(entries.passwordEntry, std::string("kept"));
}

TEST_F(PasswordTest, LoadingReconcilesTheWordTableEntryWithTheRegistry) {
    withRegistryCopy("reg");
    entries.passwordEntry = std::nullopt;
    keeper.loadPassword();
    EXPECT_EQ(entries.passwordEntry, std::string("reg"));

    withPassword(kDefaultListKey);
    keeper.loadPassword();
    EXPECT_FALSE(entries.passwordEntry);

    withPassword("different");
    keeper.loadPassword();
    EXPECT_EQ(entries.passwordEntry, std::string("reg"));
}

TEST_F(PasswordTest, WithoutARegistryCopyTheEntryStays) {
    withPassword("fromwordfile");
    keeper.loadPassword();
    EXPECT_EQ(entries.passwordEntry, std::string("fromwordfile"));
    entries.passwordEntry = std::nullopt;
    keeper.loadPassword();
    EXPECT_FALSE(entries.passwordEntry);
    // A new installation's word file: no password, with no registry copy.
    withPassword(kDefaultListKey);
    keeper.loadPassword();
    EXPECT_FALSE(entries.passwordEntry);
}

// The filter switch ---------------------------------------------------------------------

class FilterSwitchTest : public PasswordTest {
  protected:
    bool on(const std::string& text) { return tbOn(entries, hooks, text, true, false); }
    testing::RecordingSwitchHooks hooks;
};

TEST_F(FilterSwitchTest, TheEmptyTextOnlyAsks) {
    withPassword("secret");
    EXPECT_TRUE(on(""));
    entries.switchEntry = "f";
    EXPECT_FALSE(on(""));
    EXPECT_EQ(entries.switchEntry, std::string("f"));
    EXPECT_EQ(hooks.hookCalls, (std::vector<bool>{true, false}));
    EXPECT_EQ(hooks.icons, (std::vector<int>{206, 208}));
    EXPECT_EQ(hooks.wordFileWrites, 2);
}

TEST_F(FilterSwitchTest, ThePasswordFlipsTheSwitch) {
    withPassword("secret");
    EXPECT_FALSE(on("Secret"));
    EXPECT_EQ(entries.switchEntry, std::string("f"));
    EXPECT_TRUE(on("secret"));
    EXPECT_EQ(entries.switchEntry, std::string("t"));
    EXPECT_TRUE(on("wrong"));
}

TEST_F(FilterSwitchTest, TheStarSwitchesOnWithoutThePasswordButNeverOff) {
    withPassword("secret");
    EXPECT_TRUE(on("*"));
    EXPECT_EQ(entries.switchEntry, std::string("t"));
    entries.switchEntry = "f";
    EXPECT_TRUE(on("*"));
    EXPECT_EQ(entries.switchEntry, std::string("t"));
}

TEST_F(FilterSwitchTest, AnEmptyPasswordFlipsOnEveryEmptyText) {
    withPassword("");
    EXPECT_FALSE(on(""));
    EXPECT_TRUE(on(""));
    EXPECT_FALSE(on(""));
}

TEST_F(FilterSwitchTest, WithoutAPasswordTheStateCannotChange) {
    entries.passwordEntry = std::nullopt;
    entries.switchEntry = "f";
    EXPECT_FALSE(on("*"));
    EXPECT_FALSE(on(""));
    EXPECT_EQ(entries.switchEntry, std::string("f"));
}

TEST_F(FilterSwitchTest, AnUnknownSwitchValueBecomesOn) {
    withPassword("secret");
    entries.switchEntry = "x";
    EXPECT_TRUE(on(""));
    EXPECT_EQ(entries.switchEntry, std::string("t"));
}

TEST_F(FilterSwitchTest, NotLoadedOrCorruptListsAnswerOnAndTouchNothing) {
    withPassword("secret");
    entries.switchEntry = "f";
    EXPECT_TRUE(tbOn(entries, hooks, "secret", false, false));
    EXPECT_TRUE(tbOn(entries, hooks, "secret", true, true));
    EXPECT_EQ(entries.switchEntry, std::string("f"));
    EXPECT_TRUE(hooks.hookCalls.empty());
    EXPECT_EQ(hooks.wordFileWrites, 0);
}

TEST_F(FilterSwitchTest, ALongPasswordSetInTheManagerSwitchesTheFilter) {
    entries.passwordEntry = std::nullopt;
    const std::string long49 = std::string(40, 'a') + "bcdefghij";
    EXPECT_TRUE(verify(long49));
    EXPECT_FALSE(on(long49));
    EXPECT_TRUE(on(long49.substr(0, 47)));
}

TEST_F(FilterSwitchTest, AboutShowsItsDialog) {
    about(dialogs);
    EXPECT_EQ(dialogs.ids(), std::vector<int>{IDD_ABOUT});
}

}  // namespace
}  // namespace tb::settings
