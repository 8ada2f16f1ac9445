#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "common/tests/memory_registry.h"
#include "service/settings/first_run.h"
#include "service/settings/manager_settings.h"
#include "service/settings/product_key.h"
#include "service/settings/settings_streams.h"
#include "service/settings/tests/settings_fakes.h"
#include "service/settings/update_time.h"
#include "service/storage/byte_codec.h"
#include "service/storage/tests/memory_compound_file.h"

namespace tb::settings {
namespace {

using Bytes = std::vector<uint8_t>;
using storage::ByteReader;

const storage::Latin1CodePage kLatin1;

// The 16- and 32-bit values at an offset of a stream.
uint16_t u16At(const Bytes& b, size_t at) {
    return static_cast<uint16_t>(b.at(at) | b.at(at + 1) << 8);
}
uint32_t u32At(const Bytes& b, size_t at) {
    return u16At(b, at) | static_cast<uint32_t>(u16At(b, at + 2)) << 16;
}

class SettingsFileTest : public ::testing::Test {
  protected:
    SettingsFileTest() { store.setTimeServer(&timeServer); }

    Bytes ta() { return files.stream(kSettingsFile, kTimedAccessStream); }
    Bytes cat() { return files.stream(kSettingsFile, kCategoryStream); }
    // A second service reading what this one wrote.
    Settings reloaded() {
        SettingsStore other(files, kSettingsFile, kLatin1);
        testing::FakeTimeServer clock;
        other.setTimeServer(&clock);
        EXPECT_TRUE(other.load().ok());
        return other.settings();
    }

    storage::testing::MemoryCompoundFiles files;
    testing::FakeTimeServer timeServer;
    SettingsStore store{files, kSettingsFile, kLatin1};
    testing::RecordingSettingsHooks hooks;
    ManagerSettings manager{store, hooks};
};

TEST(Settings, StartFromTheDefaults) {
    const Settings s;
    for (const DayHours& day : s.accessHours) {
        for (uint16_t hour : day) EXPECT_EQ(hour, 1);
    }
    for (uint32_t allowance : s.dailyAllowance) EXPECT_EQ(allowance, 86400u);
    EXPECT_EQ(s.usedToday, 0);
    EXPECT_EQ(s.usageDate, (UsageDate{1, 0, 100}));
    EXPECT_EQ(s.timezoneName, std::string("(GMT-08:00) Pacific Time (US & Canada); Tijuana"));
    EXPECT_FLOAT_EQ(s.timezoneOffset, -8.0f);
    EXPECT_EQ(s.filterActive, 0);
    EXPECT_EQ(s.timedAccessEnabled, 1);
    for (uint16_t state : s.categoryStates) EXPECT_EQ(state, 1);
}

TEST(TimezoneOffset, FollowsTheTextBeforeTheName) {
    EXPECT_FLOAT_EQ(timezoneOffsetOf("(GMT+05:30) Chennai, Kolkata, Mumbai, New Delhi"), 5.5f);
    EXPECT_FLOAT_EQ(timezoneOffsetOf("(GMT-03:30) Newfoundland"), -3.5f);
    EXPECT_FLOAT_EQ(timezoneOffsetOf("(GMT) Greenwich Mean Time : Dublin, Edinburgh"), 0.0f);
    EXPECT_FLOAT_EQ(timezoneOffsetOf("(GMT+05:45) Kathmandu"), 5.75f);
    EXPECT_FLOAT_EQ(timezoneOffsetOf("(GMT+09:15) Somewhere"), 9.25f);
    EXPECT_FLOAT_EQ(timezoneOffsetOf(kDefaultTimezone), -8.0f);
    EXPECT_FLOAT_EQ(timezoneOffsetOf("(GMT+10:20) Odd minutes"), 10.0f);
    EXPECT_FLOAT_EQ(timezoneOffsetOf("  (GMT+01:00) leading blanks"), 1.0f);
}

TEST(TimezoneOffset, IsZeroForTextOfAnotherForm) {
    EXPECT_FLOAT_EQ(timezoneOffsetOf(""), 0.0f);
    EXPECT_FLOAT_EQ(timezoneOffsetOf("(GMT"), 0.0f);
    EXPECT_FLOAT_EQ(timezoneOffsetOf("(GMT+xx:00)"), 0.0f);
}

TEST(CategorySlot, StoresHateSpeechFifthAndSatanicSixth) {
    EXPECT_EQ(categorySlot(0), 0);  // ecat_AdultContent, list D
    EXPECT_EQ(categorySlot(3), 3);  // ecat_Gambling, list G
    EXPECT_EQ(categorySlot(4), 5);  // ecat_Satanic, list I
    EXPECT_EQ(categorySlot(5), 4);  // ecat_HateSpeech, list H
    EXPECT_FALSE(categorySlot(6));
    EXPECT_FALSE(categorySlot(-1));
}

// Stream layouts ------------------------------------------------------------

TEST(TimedAccessStream, LaysTheFieldsOutAtTheirOffsets) {
    Settings s;
    s.accessHours[0][1] = 0;
    s.accessHours[6][23] = 7;
    s.dailyAllowance[1] = 7200;
    s.usedToday = -3;
    s.usageDate = {17, 11, 123};
    s.timezoneName = "(GMT) x";
    s.timedAccessEnabled = 0;
    const Bytes b = encodeTimedAccess(s, kLatin1);
    ASSERT_EQ(b.size(), 380u + 16u);  // "(GMT) x" is 7 units and the terminator
    EXPECT_EQ(u16At(b, 0), 1);
    EXPECT_EQ(u16At(b, 2), 0);              // Sunday hour 1
    EXPECT_EQ(u16At(b, 334), 7);            // Saturday hour 23
    EXPECT_EQ(u32At(b, 336), 86400u);       // Sunday allowance
    EXPECT_EQ(u32At(b, 340), 7200u);        // Monday
    EXPECT_EQ(u32At(b, 364), 0xFFFFFFFDu);  // usedToday
    EXPECT_EQ(u16At(b, 368), 17);
    EXPECT_EQ(u16At(b, 370), 11);
    EXPECT_EQ(u16At(b, 372), 123);
    EXPECT_EQ(u32At(b, 374), 16u);
    EXPECT_EQ(u16At(b, 378), '(');
    EXPECT_EQ(u16At(b, 392), 0);  // the terminator
    EXPECT_EQ(u16At(b, 394), 0);  // timedAccessEnabled
    s.timezoneName = std::nullopt;
    EXPECT_EQ(u32At(encodeTimedAccess(s, kLatin1), 374), 0u);
}

TEST(CategoryStream, IsSixSwitchesInListOrder) {
    Settings s;
    s.categoryStates = {1, 0, 1, 0, 2, 3};
    EXPECT_EQ(encodeCategories(s), (Bytes{1, 0, 0, 0, 1, 0, 0, 0, 2, 0, 3, 0}));
}

TEST(TimedAccessStream, RoundTripsAndReportsTheTimezoneText) {
    Settings s;
    s.accessHours[3].fill(0);
    s.dailyAllowance[5] = 3600;
    s.usedToday = 999;
    s.usageDate = {2, 3, 124};
    s.timezoneName = "(GMT+01:00) Amsterdam, Berlin";
    s.timedAccessEnabled = 0;
    Settings read;
    EXPECT_TRUE(decodeTimedAccess(encodeTimedAccess(s, kLatin1), read, kLatin1));
    EXPECT_EQ(read.accessHours, s.accessHours);
    EXPECT_EQ(read.dailyAllowance, s.dailyAllowance);
    EXPECT_EQ(read.usedToday, 999);
    EXPECT_EQ(read.usageDate, s.usageDate);
    EXPECT_EQ(read.timezoneName, s.timezoneName);
    EXPECT_EQ(read.timedAccessEnabled, 0);
}

// Streams that lie or end early ----------------------------------------------

TEST(TimedAccessStream, AShortStreamLeavesTheFieldsItDoesNotHold) {
    Settings written;
    for (DayHours& day : written.accessHours) day.fill(0);
    written.dailyAllowance.fill(60);
    const Bytes whole = encodeTimedAccess(written, kLatin1);

    Settings read;
    EXPECT_FALSE(decodeTimedAccess(Bytes(whole.begin(), whole.begin() + 344), read, kLatin1));
    EXPECT_EQ(read.accessHours[6][23], 0);
    EXPECT_EQ(read.dailyAllowance[0], 60u);
    EXPECT_EQ(read.dailyAllowance[1], 60u);
    EXPECT_EQ(read.dailyAllowance[2], 86400u);  // not in the stream
    EXPECT_EQ(read.timezoneName, std::string(kDefaultTimezone));

    Settings empty;
    EXPECT_FALSE(decodeTimedAccess({}, empty, kLatin1));
    EXPECT_EQ(empty.accessHours[0][0], 1);
}

TEST(TimedAccessStream, ATextLengthPastTheEndKeepsTheTextAndTheSwitch) {
    Settings written;
    written.timezoneName = "(GMT+02:00) Cairo";
    written.timedAccessEnabled = 0;
    Bytes b = encodeTimedAccess(written, kLatin1);
    b[374] = 0x00;
    b[375] = 0x94;
    b[376] = 0x35;
    b[377] = 0x77;  // two billion bytes of text
    Settings read;
    read.timedAccessEnabled = 5;
    EXPECT_FALSE(decodeTimedAccess(b, read, kLatin1));
    EXPECT_EQ(read.timezoneName, std::string(kDefaultTimezone));
    EXPECT_EQ(read.timedAccessEnabled, 5);
    EXPECT_EQ(read.usageDate, written.usageDate);
}

TEST(TimedAccessStream, ATextLengthOfZeroKeepsTheTextHeld) {
    Settings written;
    written.timezoneName = std::nullopt;
    written.timedAccessEnabled = 0;
    Settings read;
    read.timezoneName = "kept";
    EXPECT_FALSE(decodeTimedAccess(encodeTimedAccess(written, kLatin1), read, kLatin1));
    EXPECT_EQ(read.timezoneName, std::string("kept"));
    EXPECT_EQ(read.timedAccessEnabled, 0);
}

TEST(CategoryStream, AShortStreamLeavesTheLaterSwitches) {
    Settings read;
    decodeCategories({0, 0, 0}, read);
    EXPECT_EQ(read.categoryStates, (std::array<uint16_t, 6>{0, 1, 1, 1, 1, 1}));
}

// The settings file ------------------------------------------------------------

TEST_F(SettingsFileTest, LoadingANewFileCreatesBothStreamsAndKeepsTheDefaults) {
    ASSERT_TRUE(store.load().ok());
    EXPECT_EQ(files.streamNames(kSettingsFile), (std::vector<std::string>{"Cat", "TA"}));
    EXPECT_TRUE(ta().empty());  // created, not written
    EXPECT_EQ(cat(), (Bytes{1, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1, 0}));
    EXPECT_TRUE(timeServer.offsets.empty());
    EXPECT_EQ(store.settings().timezoneName, std::string(kDefaultTimezone));
}

TEST_F(SettingsFileTest, LoadingPassesTheStoredTimezoneToTheTimeComponent) {
    store.settings().timezoneName = "(GMT+05:30) Chennai";
    store.settings().categoryStates[4] = 0;
    ASSERT_TRUE(store.writeTimedAccess());
    ASSERT_TRUE(store.writeCategories());

    SettingsStore next(files, kSettingsFile, kLatin1);
    testing::FakeTimeServer nextClock;
    next.setTimeServer(&nextClock);
    ASSERT_TRUE(next.load().ok());
    EXPECT_EQ(next.settings().timezoneName, std::string("(GMT+05:30) Chennai"));
    EXPECT_FLOAT_EQ(next.settings().timezoneOffset, 5.5f);
    EXPECT_EQ(nextClock.offsets, std::vector<float>{5.5f});
    EXPECT_EQ(next.settings().categoryStates[4], 0);
}

TEST_F(SettingsFileTest, AHeldFileKeepsTheValuesHeldAndIsReadBeforeItIsWritten) {
    store.settings().dailyAllowance[1] = 7200;
    ASSERT_TRUE(store.writeTimedAccess());
    store.settings().dailyAllowance[1] = 86400;

    files.refuseAll = true;
    EXPECT_TRUE(store.load().ok());
    EXPECT_TRUE(store.unread());
    EXPECT_EQ(store.settings().dailyAllowance[1], 86400u) << "the values held stay";
    EXPECT_FALSE(store.writeTimedAccess());

    files.refuseAll = false;
    EXPECT_TRUE(store.writeCategories());
    EXPECT_FALSE(store.unread());
    EXPECT_EQ(store.settings().dailyAllowance[1], 7200u) << "the parent's, read first";
    EXPECT_EQ(reloaded().dailyAllowance[1], 7200u);
}

// The Manager changes settings while the file is still held: once the file
// can be read, the parent's stored values come back and the changes stay.
TEST_F(SettingsFileTest, ChangesMadeWhileTheFileWasHeldSurviveItsLateReading) {
    store.settings().dailyAllowance[1] = 7200;
    store.settings().categoryStates[0] = 0;
    store.settings().timezoneName = "(GMT+01:00) Paris";
    ASSERT_TRUE(store.writeTimedAccess());
    ASSERT_TRUE(store.writeCategories());

    SettingsStore next(files, kSettingsFile, kLatin1);
    testing::FakeTimeServer nextClock;
    next.setTimeServer(&nextClock);
    files.refuseAll = true;
    ASSERT_TRUE(next.load().ok());
    ASSERT_TRUE(next.unread());
    next.settings().dailyAllowance[2] = 3600;
    next.settings().timezoneName = "(GMT+05:30) Chennai";
    EXPECT_FALSE(next.writeTimedAccess());
    next.settings().categoryStates[3] = 0;
    EXPECT_FALSE(next.writeCategories());

    files.refuseAll = false;
    ASSERT_TRUE(next.writeCategories());
    const Settings& merged = next.settings();
    EXPECT_EQ(merged.dailyAllowance[1], 7200u) << "stored";
    EXPECT_EQ(merged.dailyAllowance[2], 3600u) << "changed while held";
    EXPECT_EQ(merged.categoryStates[0], 0) << "stored";
    EXPECT_EQ(merged.categoryStates[3], 0) << "changed while held";
    EXPECT_EQ(merged.timezoneName, std::string("(GMT+05:30) Chennai"));
    EXPECT_FLOAT_EQ(merged.timezoneOffset, 5.5f);
    EXPECT_FLOAT_EQ(nextClock.offsets.back(), 5.5f) << "the clock keeps the changed zone";
    ASSERT_TRUE(next.writeTimedAccess());
    EXPECT_EQ(reloaded().dailyAllowance[2], 3600u);
    EXPECT_EQ(reloaded().dailyAllowance[1], 7200u);
}

TEST_F(SettingsFileTest, LoadingFailsWithoutTheTimeComponent) {
    ASSERT_TRUE(store.writeTimedAccess());
    store.setTimeServer(nullptr);
    EXPECT_EQ(store.load().status, SettingsStatus::NoTimeServer);
    timeServer.answer = -2147467259;  // E_FAIL
    store.setTimeServer(&timeServer);
    const SettingsResult refused = store.load();
    EXPECT_EQ(refused.status, SettingsStatus::TimeServerFailed);
    EXPECT_EQ(refused.code, -2147467259);
}

// The Manager's members ----------------------------------------------------------

TEST_F(SettingsFileTest, AccessHoursOfAWeekdayRoundTripAndOtherDaysAreZero) {
    DayHours hours{};
    hours[8] = 1;
    hours[17] = 1;
    manager.setAccessHours(2, hours);
    EXPECT_EQ(manager.getAccessHours(2), hours);
    EXPECT_EQ(reloaded().accessHours[2], hours);
    EXPECT_EQ(manager.getAccessHours(7), DayHours{});
    EXPECT_EQ(manager.getAccessHours(-1), DayHours{});
}

TEST_F(SettingsFileTest, AccessHoursOfADayOutsideTheWeekChangeNothingButStillWrite) {
    DayHours zeros{};
    manager.setAccessHours(7, zeros);
    EXPECT_EQ(ta().size(), encodeTimedAccess(Settings(), kLatin1).size());
    EXPECT_EQ(reloaded().accessHours, Settings().accessHours);
}

TEST_F(SettingsFileTest, TotalHoursAreStoredInSecondsAndResetTheDaysCount) {
    store.settings().usedToday = 5000;
    manager.setTotalHours(3, 3);
    EXPECT_EQ(manager.getTotalHours(3), 3);
    EXPECT_EQ(store.settings().dailyAllowance[3], 10800u);
    EXPECT_EQ(store.settings().usedToday, 0);
    EXPECT_EQ(hooks.intervals, 1);
    EXPECT_EQ(u32At(ta(), 336 + 3 * 4), 10800u);
    EXPECT_EQ(manager.getTotalHours(0), 24);
    EXPECT_FALSE(manager.getTotalHours(7));

    store.settings().usedToday = 42;
    manager.setTotalHours(9, 1);  // no allowance changes, the count still restarts
    EXPECT_EQ(store.settings().usedToday, 0);
    EXPECT_EQ(hooks.intervals, 2);
    EXPECT_EQ(store.settings().dailyAllowance, reloaded().dailyAllowance);
}

TEST_F(SettingsFileTest, CategorySwitchesGoToTheirListSlots) {
    manager.setCategoryState(5, 0);  // ecat_HateSpeech
    EXPECT_EQ(cat(), (Bytes{1, 0, 1, 0, 1, 0, 1, 0, 0, 0, 1, 0}));
    manager.setCategoryState(4, 0);  // ecat_Satanic
    EXPECT_EQ(cat(), (Bytes{1, 0, 1, 0, 1, 0, 1, 0, 0, 0, 0, 0}));
    manager.setCategoryState(0, -1);  // stored as sent
    EXPECT_EQ(manager.getCategoryState(0), -1);
    EXPECT_EQ(manager.getCategoryState(4), 0);
    EXPECT_EQ(manager.getCategoryState(1), 1);
    EXPECT_FALSE(manager.getCategoryState(6));
    EXPECT_EQ(hooks.categoryReloads, 3);
    manager.setCategoryState(6, 0);
    EXPECT_EQ(hooks.categoryReloads, 3);
}

TEST_F(SettingsFileTest, ANewTimezoneGoesToTheTimeComponentAndRestartsTheCount) {
    store.settings().usedToday = 77;
    EXPECT_TRUE(manager.setTimezoneString("(GMT+05:45) Kathmandu").ok());
    EXPECT_EQ(timeServer.offsets, std::vector<float>{5.75f});
    EXPECT_EQ(store.settings().usedToday, 0);
    EXPECT_EQ(hooks.intervals, 1);
    EXPECT_EQ(manager.getTimezoneString(), std::string("(GMT+05:45) Kathmandu"));
    EXPECT_EQ(reloaded().timezoneName, std::string("(GMT+05:45) Kathmandu"));
}

TEST_F(SettingsFileTest, ATimezoneTheTimeComponentRefusesIsHeldButNotWritten) {
    ASSERT_TRUE(store.writeTimedAccess());
    store.settings().usedToday = 77;
    timeServer.answer = -5;
    const SettingsResult result = manager.setTimezoneString("(GMT+03:00) Moscow");
    EXPECT_EQ(result.status, SettingsStatus::TimeServerFailed);
    EXPECT_EQ(result.code, -5);
    EXPECT_EQ(manager.getTimezoneString(), std::string("(GMT+03:00) Moscow"));
    EXPECT_EQ(store.settings().usedToday, 77);
    EXPECT_EQ(hooks.intervals, 0);
    timeServer.answer = 0;
    EXPECT_EQ(reloaded().timezoneName, std::string(kDefaultTimezone));

    store.setTimeServer(nullptr);
    EXPECT_EQ(manager.setTimezoneString("(GMT) x").status, SettingsStatus::NoTimeServer);
}

TEST_F(SettingsFileTest, ATimezoneTextLongerThanADisplayNameIsRefusedAndChangesNothing) {
    ASSERT_TRUE(manager.setTimezoneString("(GMT+01:00) Paris").ok());
    store.settings().usedToday = 77;
    EXPECT_EQ(manager.setTimezoneString(std::string(kMaxTimezoneChars + 1, 'x')).status,
              SettingsStatus::TooLong);
    EXPECT_EQ(manager.getTimezoneString(), std::string("(GMT+01:00) Paris"));
    EXPECT_EQ(store.settings().usedToday, 77);
    EXPECT_EQ(timeServer.offsets.size(), 1u);
    const std::string longest = "(GMT+02:00) " + std::string(kMaxTimezoneChars - 12, 'y');
    EXPECT_TRUE(manager.setTimezoneString(longest).ok());
    EXPECT_EQ(reloaded().timezoneName, longest);
}

TEST_F(SettingsFileTest, TimedAccessSwitchIsStored) {
    manager.setTimedAccess(0);
    EXPECT_EQ(manager.getTimedAccess(), 0);
    EXPECT_EQ(reloaded().timedAccessEnabled, 0);
}

// First run after installation ------------------------------------------------------

class FirstRunTest : public SettingsFileTest {
  protected:
    void SetUp() override {
        dir = std::filesystem::temp_directory_path() /
              ("tb_first_run_" + std::to_string(reinterpret_cast<uintptr_t>(this)));
        std::filesystem::create_directories(dir);
        prefix = dir.string() + "/";
    }
    void TearDown() override { std::filesystem::remove_all(dir); }
    void put(const std::string& name, const std::string& content) {
        std::ofstream(dir / name, std::ios::binary) << content;
    }
    std::filesystem::path dir;
    std::string prefix;
};

TEST_F(FirstRunTest, TakesOverTheInstallersTimezoneAndRemovesItsFiles) {
    store.settings().dailyAllowance[1] = 7200;
    ASSERT_TRUE(store.writeTimedAccess());
    store.settings().dailyAllowance[1] = 1;  // what the file says must win
    put("tbhelp.dat", "(GMT+05:30) Chennai, Kolkata\r\n");
    put("tbhelpinstall.exe", "MZ");

    EXPECT_TRUE(takeOverInstallerTimezone(prefix, store));
    EXPECT_EQ(store.settings().timezoneName, std::string("(GMT+05:30) Chennai, Kolkata"));
    EXPECT_FLOAT_EQ(store.settings().timezoneOffset, 5.5f);
    EXPECT_EQ(timeServer.offsets.back(), 5.5f);
    const Settings saved = reloaded();
    EXPECT_EQ(saved.timezoneName, std::string("(GMT+05:30) Chennai, Kolkata"));
    EXPECT_EQ(saved.dailyAllowance[1], 7200u);
    EXPECT_FALSE(std::filesystem::exists(dir / "tbhelp.dat"));
    EXPECT_FALSE(std::filesystem::exists(dir / "tbhelpinstall.exe"));
}

TEST_F(FirstRunTest, ReadsAtMost199BytesAndDoesNothingWithoutTheFile) {
    EXPECT_FALSE(takeOverInstallerTimezone(prefix, store));
    EXPECT_FALSE(files.exists(kSettingsFile));

    put("tbhelp.dat", "(GMT) " + std::string(300, 'z'));
    EXPECT_TRUE(takeOverInstallerTimezone(prefix, store));
    EXPECT_EQ(store.settings().timezoneName->size(), 199u);

    put("tbhelp.dat", "");
    const std::optional<std::string> before = store.settings().timezoneName;
    EXPECT_FALSE(takeOverInstallerTimezone(prefix, store));
    EXPECT_EQ(store.settings().timezoneName, before);
    EXPECT_FALSE(std::filesystem::exists(dir / "tbhelp.dat"));
}

// updateTime and the installation mode ------------------------------------------------

TEST(UpdateTime, AMissingValueBecomesNowAndIsWrittenAtOnce) {
    ::tb::testing::MemoryRegistry registry;
    testing::FixedClock clock;
    registry.createKey(RegRoot::LocalMachine, kProductKey);
    EXPECT_EQ(loadUpdateTime(registry, clock), 1000000000);
    EXPECT_EQ(registry.readDword(RegRoot::LocalMachine, kProductKey, "updateTime"), 1000000000u);
}

TEST(UpdateTime, AValueBelowOneBecomesNowAndAStoredOneIsKept) {
    ::tb::testing::MemoryRegistry registry;
    testing::FixedClock clock;
    registry.createKey(RegRoot::LocalMachine, kProductKey);
    registry.writeDword(RegRoot::LocalMachine, kProductKey, "updateTime", 0);
    EXPECT_EQ(loadUpdateTime(registry, clock), 1000000000);
    registry.writeDword(RegRoot::LocalMachine, kProductKey, "updateTime", 0x80000000u);  // negative
    EXPECT_EQ(loadUpdateTime(registry, clock), 1000000000);
    registry.writeDword(RegRoot::LocalMachine, kProductKey, "updateTime", 12345);
    EXPECT_EQ(loadUpdateTime(registry, clock), 12345);

    EXPECT_TRUE(storeUpdateTime(registry, 777));
    EXPECT_EQ(registry.readDword(RegRoot::LocalMachine, kProductKey, "updateTime"), 777u);
}

TEST(UpdateTime, NothingIsWrittenWithoutTheProductKey) {
    ::tb::testing::MemoryRegistry registry;
    testing::FixedClock clock;
    EXPECT_EQ(loadUpdateTime(registry, clock), 1000000000);
    EXPECT_FALSE(storeUpdateTime(registry, 5));
    EXPECT_TRUE(registry.allKeys(RegRoot::LocalMachine).empty());
}

TEST(InstallMode, TellsAMissingKeyFromAMissingValue) {
    ::tb::testing::MemoryRegistry registry;
    EXPECT_FALSE(readInstallMode(registry).keyExists);
    EXPECT_EQ(readInstallMode(registry).valueOrZero(), 0u);
    registry.createKey(RegRoot::LocalMachine, kProductKey);
    EXPECT_TRUE(readInstallMode(registry).keyExists);
    EXPECT_FALSE(readInstallMode(registry).usingProxy);
    registry.writeDword(RegRoot::LocalMachine, kProductKey, "usingProxy", 3);
    EXPECT_EQ(readInstallMode(registry).usingProxy, 3u);
}

}  // namespace
}  // namespace tb::settings
