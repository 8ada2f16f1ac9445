// The service core with its stores: Save and Load of the logs and the
// settings, the log members, and the password and filter switch as Load
// and the members use them.
#include <gtest/gtest.h>

#include <algorithm>

#include "common/list_encoding.h"
#include "service/process/service_core.h"
#include "service/process/tests/fake_seams.h"
#include "service/settings/product_key.h"

namespace tb {
namespace {

using testing::kTestKey;
using Strings = std::vector<std::string>;

class ServiceStoreTest : public ::testing::Test, public testing::ServiceFixture {
  protected:
    ServiceStoreTest() : ServiceFixture(&stores) {}

    void visit(const std::string& address) {
        ASSERT_TRUE(service().filterURL("http://" + address).allowed);
    }
    Strings visitedSites() { return service().loggedSites(SiteLogKind::Visited); }
    std::vector<int> serviceDialogs() const { return stores.serviceDialogs.ids(); }
    // The switch line of tbu.dat.
    std::string switchLine() {
        const std::string text = dir().read("tbu.dat");
        const size_t first = text.find("\r\n");
        const size_t second = text.find("\r\n", first + 2);
        return decoded(text.substr(first + 2, second - first - 2), kTestKey);
    }

    testing::ServiceStores stores;
};

// Save and Load -----------------------------------------------------------------

TEST_F(ServiceStoreTest, LoadAfterSaveRestoresBothLogsAndEverySetting) {
    files().block({"bad.example/"}).blockPages();
    visit("a.example/");
    clock.network = 900000500;
    visit("b.example/");
    EXPECT_FALSE(service().filterURL("http://bad.example/").allowed);
    service().siteLogs().findVisited("a.example/")->allowed = 0;

    settings::ManagerSettings& settings = service().managerSettings();
    settings.setTotalHours(2, 3);
    settings::DayHours hours{};
    hours[9] = 1;
    settings.setAccessHours(4, hours);
    settings.setCategoryState(5, 0);  // hate speech
    settings.setTimedAccess(0);
    ASSERT_TRUE(service().save());

    restart();
    ASSERT_TRUE(service().state().ready);
    EXPECT_EQ(visitedSites(), (Strings{"900000000 a.example/", "900000500 b.example/"}));
    EXPECT_EQ(service().siteLogs().findVisited("a.example/")->allowed, 0);
    EXPECT_EQ(service().siteLogs().findVisited("b.example/")->hits, 1);
    EXPECT_EQ(service().loggedSites(SiteLogKind::Blocked), Strings{"900000500 bad.example/"});
    EXPECT_EQ(service().isURLAllowed("a.example/"), false);

    settings::ManagerSettings& loaded = service().managerSettings();
    EXPECT_EQ(loaded.getTotalHours(2), 3);
    EXPECT_EQ(loaded.getAccessHours(4), hours);
    EXPECT_EQ(loaded.getCategoryState(5), 0);
    EXPECT_EQ(loaded.getCategoryState(4), 1);
    EXPECT_EQ(loaded.getTimedAccess(), 0);
    EXPECT_EQ(service().state().categoryStates[4], 0);  // hate speech is the fifth list
}

TEST_F(ServiceStoreTest, LoadCreatesEmptyLogsAndTheSettingsFile) {
    ASSERT_TRUE(service().state().ready);
    for (const char* file : {"tbl.log", "tblB.log", "tbd.dat"}) {
        EXPECT_TRUE(stores.compoundFiles.exists(dir().dir() + file)) << file;
    }
    EXPECT_TRUE(visitedSites().empty());
}

// Files another program holds never switch filtering off, and are not
// written over until they have been read; what was logged meanwhile joins
// what they held.
TEST_F(ServiceStoreTest, FilesHeldByAnotherProgramKeepTheFilterOnAndAreReadBeforeTheyAreWritten) {
    files().block({"bad.example/"}).blockPages();
    visit("before.example/");
    ASSERT_TRUE(service().save());

    stores.compoundFiles.refuseAll = true;
    ASSERT_TRUE(service().load());
    EXPECT_FALSE(service().filterURL("http://bad.example/").allowed) << "filtering stays on";
    visit("during.example/");
    EXPECT_FALSE(service().save()) << "nothing written over the unread files";
    EXPECT_FALSE(dir().read("tbu.dat").empty()) << "the word file is written all the same";

    stores.compoundFiles.refuseAll = false;
    EXPECT_TRUE(service().save());
    restart();
    EXPECT_EQ(service().siteLogs().findVisited("before.example/")->hits, 1);
    EXPECT_EQ(service().siteLogs().findVisited("during.example/")->hits, 1);
}

// A log or settings file cut short, emptied or filled with garbage (no
// readable compound file), or one whose stream is damaged, is set aside
// under another name, never deleted; the service starts with an empty log
// or the default settings, and filtering stays on.
TEST_F(ServiceStoreTest, UnreadableLogAndSettingsFilesAreSetAsideAndFilteringStaysOn) {
    files().block({"bad.example/"}).blockPages();
    visit("kept.example/");
    service().managerSettings().setTotalHours(2, 3);
    service().managerSettings().setCategoryState(3, 0);
    ASSERT_TRUE(service().save());
    auto& files = stores.compoundFiles;
    const std::string visited = dir().dir() + "tbl.log", blocked = dir().dir() + "tblB.log",
                      settingsFile = dir().dir() + "tbd.dat";

    files.file(visited).unreadable = true;
    files.file(blocked).damagedStreams.insert("Summary");
    files.file(settingsFile).damagedStreams.insert("TA");
    restart();
    ASSERT_TRUE(service().state().ready);
    EXPECT_FALSE(service().filterURL("http://bad.example/").allowed);
    EXPECT_EQ(service().siteLogs().findVisited("kept.example/"), nullptr);
    for (const std::string& file : {visited, blocked, settingsFile}) {
        EXPECT_TRUE(files.exists(file + ".damaged")) << file << " set aside";
        EXPECT_TRUE(files.exists(file)) << file << " made anew";
    }
    EXPECT_EQ(service().managerSettings().getTotalHours(2), 24) << "the damaged stream's defaults";
    EXPECT_EQ(service().managerSettings().getCategoryState(3), 0) << "the readable stream kept";

    // Damaged again: the first copy set aside stays, the second beside it.
    files.file(visited).unreadable = true;
    restart();
    EXPECT_TRUE(service().state().ready);
    EXPECT_TRUE(files.exists(visited + ".damaged"));
    EXPECT_TRUE(files.exists(visited + ".damaged2"));
}

TEST_F(ServiceStoreTest, TheInstallersTimeZoneIsTakenOverOnce) {
    dir().write("tbhelp.dat", "(GMT+05:30) Chennai, Kolkata, Mumbai, New Delhi\r\n");
    EXPECT_TRUE(service().takeOverInstallerTimezone());
    EXPECT_FALSE(dir().has("tbhelp.dat"));
    EXPECT_FALSE(service().takeOverInstallerTimezone());
    restart();
    EXPECT_EQ(service().managerSettings().getTimezoneString(),
              "(GMT+05:30) Chennai, Kolkata, Mumbai, New Delhi");
    EXPECT_FLOAT_EQ(service().settings().timezoneOffset, 5.5f);
}

// The log members ----------------------------------------------------------------

TEST_F(ServiceStoreTest, SetVisitedSitesKeepsOnlyTheNamedRecordsAndWritesTheFileAtOnce) {
    for (const char* address : {"a.example/", "b.example/", "c.example/"}) visit(address);
    const SiteRecordPtr held = service().siteLogs().findVisited("b.example/");
    // Entries as GetVisitedSites gives them; the number is not used, and an
    // entry without a blank names its address all the same.
    ASSERT_TRUE(service().keepLoggedSites(SiteLogKind::Visited,
                                          {"1 a.example/", "c.example/", "5 unknown.example/"}));
    EXPECT_EQ(visitedSites(), (Strings{"900000000 a.example/", "900000000 c.example/"}));
    EXPECT_EQ(held->address, "b.example/");  // a client's record outlives its removal
    EXPECT_EQ(held->mark, 0);

    restart();  // no Save: the member wrote the file itself
    EXPECT_EQ(visitedSites().size(), 2u);
    EXPECT_TRUE(service().keepLoggedSites(SiteLogKind::Visited, {}));
    restart();
    EXPECT_TRUE(visitedSites().empty());
}

TEST_F(ServiceStoreTest, SetBlockedLogWithAddressesNotLoggedRemovesEveryRecord) {
    files().block({"x.example/", "y.example/"});
    EXPECT_FALSE(service().filterURL("http://x.example/").allowed);
    EXPECT_FALSE(service().filterURL("http://y.example/").allowed);
    ASSERT_EQ(service().loggedSites(SiteLogKind::Blocked).size(), 2u);
    ASSERT_TRUE(service().keepLoggedSites(SiteLogKind::Blocked, {"0 z.example/"}));
    EXPECT_TRUE(service().loggedSites(SiteLogKind::Blocked).empty());
    EXPECT_EQ(visitedSites().size(), 0u);
}

TEST_F(ServiceStoreTest, TheCursorWalksTheLogInKeyOrderAndSurvivesARemoval) {
    EXPECT_EQ(service().nextVisited(), nullptr);  // no GetFirstURL yet
    EXPECT_EQ(service().firstVisited(), nullptr);
    for (const char* address : {"c.example/", "a.example/", "b.example/"}) visit(address);
    EXPECT_EQ(service().nextVisited(), nullptr);  // the empty log ended the walk

    EXPECT_EQ(service().firstVisited()->address, "a.example/");
    service().keepLoggedSites(SiteLogKind::Visited, {"0 a.example/", "0 c.example/"});
    EXPECT_EQ(service().nextVisited()->address, "c.example/");
    EXPECT_EQ(service().nextVisited(), nullptr);
    EXPECT_EQ(service().nextVisited(), nullptr);
}

// Password and filter switch -------------------------------------------------------

TEST_F(ServiceStoreTest, LoadTakesThePasswordFromTheRegistryCopy) {
    stores.registry.createKey(RegRoot::LocalMachine, settings::kPasswordKey);
    stores.registry.writeString(RegRoot::LocalMachine, settings::kPasswordKey, "",
                                encoded("secret", kDefaultListKey));
    files().wordFile({"other", "t"});
    EXPECT_EQ(service().passwordEntry(), "secret");
    EXPECT_EQ(service().verifyPassword("SECRET").verified, true);
    EXPECT_TRUE(service().passwordMatches("Secret"));
}

TEST_F(ServiceStoreTest, SixWrongPasswordsLockOutUntilTheNextLoad) {
    files().wordFile({"secret", "t"});
    for (int i = 0; i < 6; ++i) EXPECT_EQ(service().verifyPassword("wrong").verified, false);
    EXPECT_EQ(service().verifyPassword("secret").verified, false);  // locked out
    EXPECT_EQ(serviceDialogs().back(), IDD_LOCKED_OUT);
    service().load();
    EXPECT_EQ(service().verifyPassword("secret").verified, true);
}

TEST_F(ServiceStoreTest, TodaysMasterCodeOpensTheUninstallDialogWithoutAnAnswer) {
    files().wordFile({"secret", "t"});
    const settings::VerifyOutcome outcome =
        service().verifyPassword(settings::masterCode(stores.calendar.date));
    EXPECT_FALSE(outcome.completed);
    EXPECT_FALSE(outcome.verified);
    EXPECT_EQ(serviceDialogs(), std::vector<int>{IDD_UNINSTALL});
}

TEST_F(ServiceStoreTest, TbOnSwitchesOnlyForThePasswordAndStoresTheSwitch) {
    files().wordFile({"secret", "t"});
    EXPECT_TRUE(service().filterActive());
    EXPECT_TRUE(service().tbOn(""));
    EXPECT_TRUE(service().tbOn("*"));
    EXPECT_FALSE(service().tbOn("Secret"));
    EXPECT_EQ(switchLine(), "f");
    EXPECT_FALSE(service().tbOn("wrong"));
    EXPECT_TRUE(service().tbOn("*"));  // on without the password, never off
    EXPECT_EQ(stores.indicators.hookCalls.back(), true);
    EXPECT_EQ(stores.indicators.icons.back(), true);

    service().tbOn("secret");
    restart();
    EXPECT_FALSE(service().filterActive());
}

TEST_F(ServiceStoreTest, AnEmptyPasswordDoesNotFlipTheFilterAtEveryStart) {
    files().wordFile({"", "t"});
    EXPECT_TRUE(service().filterActive());
    restart();
    EXPECT_TRUE(service().filterActive());
    EXPECT_FALSE(service().tbOn(""));  // the empty password matches the empty text
    restart();
    EXPECT_FALSE(service().filterActive());
}

TEST_F(ServiceStoreTest, ACategorySwitchReloadsTheWordsAndKeepsThePassword) {
    files().categoryWords(3, {"poker"}).wordFile({"secret", "t"}).blockPages();
    EXPECT_FALSE(service().passesFilterList("http://a.example/", "poker night").passed);
    service().managerSettings().setCategoryState(3, 0);  // gambling off
    EXPECT_TRUE(service().passesFilterList("http://a.example/", "poker night").passed);
    EXPECT_EQ(service().passwordEntry(), "secret");
    service().managerSettings().setCategoryState(3, 1);
    EXPECT_FALSE(service().passesFilterList("http://a.example/", "poker night").passed);
}

// Update reminder and DownloadDNAList ------------------------------------------------

class AnsweringUi : public update::ReminderUi {
  public:
    std::optional<update::ReminderAnswer> ask() override {
        ++asked;
        return answer;
    }
    void openPage(const std::string& address) override { opened.push_back(address); }
    std::optional<update::ReminderAnswer> answer = update::ReminderAnswer::AskLater;
    int asked = 0;
    Strings opened;
};

TEST_F(ServiceStoreTest, UpdateTimeIsWrittenAtLoadAndAtSave) {
    stores.registry.createKey(RegRoot::LocalMachine, settings::kProductKey);
    service();
    EXPECT_EQ(stores.registry.readDword(RegRoot::LocalMachine, settings::kProductKey, "updateTime"),
              static_cast<uint32_t>(stores.calendar.seconds));
    AnsweringUi ui;
    EXPECT_FALSE(service().needUpdate(ui).needUpdate);
    EXPECT_EQ(ui.asked, 0);  // TBinD.dat was just written: not due
}

// A damaged first category word file gives another list key. The service
// notices that it does not fit the key that wrote the parent's data: it
// neither reads nor writes the parent's files with it, sends the browser to
// the update pages, and tells the parent once. Put right, all reads back.
TEST_F(ServiceStoreTest, AListKeyThatDoesNotFitLeavesTheParentsDataAloneUntilTheListsArePutRight) {
    stores.registry.createKey(RegRoot::LocalMachine, settings::kProductKey);
    files().block({"bad.example/"}).blockPages();
    ASSERT_EQ(service().addWordToBlock("tulip"), true);
    ASSERT_EQ(service().verifyPassword(std::string(1, settings::kChangeMarker) + "parent").verified,
              true);
    visit("kept.example/");
    ASSERT_TRUE(service().save());
    const std::string words = dir().read("tbu.dat");
    const std::string blockList = dir().read("TBinB.dat");
    const std::string keySource = dir().read("tbfD.dat");

    dir().write("tbfD.dat", "\x17\x83garbage that decodes to another key\r\n" + keySource);
    restart();
    EXPECT_FALSE(service().state().ready);
    EXPECT_TRUE(service().state().keyMismatch);
    EXPECT_FALSE(service().save());
    EXPECT_FALSE(service().setWords({"other"}));
    AnsweringUi ui;
    EXPECT_TRUE(service().needUpdate(ui).needUpdate) << "the browser goes to the update pages";
    service().needUpdate(ui);
    const std::vector<int> shown = serviceDialogs();
    EXPECT_EQ(std::count(shown.begin(), shown.end(), IDD_LISTS_MISMATCH), 1);
    restart();
    EXPECT_EQ(dir().read("tbu.dat"), words) << "the words and password untouched";
    EXPECT_EQ(dir().read("TBinB.dat"), blockList);

    dir().write("tbfD.dat", keySource);
    restart();
    ASSERT_TRUE(service().state().ready);
    EXPECT_EQ(service().passwordEntry(), "parent");
    EXPECT_EQ(service().words(), Strings{"tulip"});
    EXPECT_FALSE(service().filterURL("http://bad.example/").allowed);
    EXPECT_EQ(service().siteLogs().findVisited("kept.example/")->hits, 1);
}

TEST_F(ServiceStoreTest, DownloadDnaListAppendsTheVisitedAddressesAtEveryCall) {
    visit("a.example/");
    visit("b.example/");
    EXPECT_EQ(service().downloadDNAList(), update::DownloadResult::Done);
    EXPECT_EQ(service().downloadDNAList(), update::DownloadResult::Done);
    EXPECT_EQ(dir().read("TBout.txt"), "a.example/\r\nb.example/\r\na.example/\r\nb.example/\r\n");
    EXPECT_EQ(visitedSites().size(), 2u);  // saved before the reload
}

// Timed access -------------------------------------------------------------------

class SteppingClock : public NetworkClock {
  public:
    int32_t getTime(ClockReading& out) override {
        if (status != 0) return status;
        out.now = now;
        out.fields.hours = 10;
        out.fields.weekday = 1;  // Monday
        out.fields.dayOfMonth = 12;
        out.fields.month = 2;
        out.fields.yearsSince1900 = 101;
        return 0;
    }
    int32_t now = 984391200;
    int32_t status = 0;
};

TEST_F(ServiceStoreTest, BrowsingTimeCountsWhileABrowserIsOpenAndSurvivesARestart) {
    files().wordFile({"secret", "t"});
    SteppingClock network;
    service().setNetworkClock(&network);
    service().managerSettings().setTotalHours(1, 1);  // one hour on Mondays
    ASSERT_TRUE(service().filterActive());
    ASSERT_TRUE(service().addRefCount().ok());
    network.now += 600;
    const TimedVerdict first = service().checkTimedAccess();
    ASSERT_TRUE(first.outcome.ok());
    EXPECT_EQ(first.err, 0);
    EXPECT_EQ(first.timeLeft, 3000);
    ASSERT_TRUE(service().save());

    restart();
    service().setNetworkClock(&network);
    EXPECT_EQ(service().settings().usedToday, 600);
    EXPECT_EQ(service().checkTimedAccess().timeLeft, 3000);  // no interval yet: nothing more
    network.now += 3000;
    EXPECT_EQ(service().checkTimedAccess().err, 1);
    // A new allowance starts the day's count again.
    service().managerSettings().setTotalHours(1, 2);
    EXPECT_EQ(service().settings().usedToday, 0);
}

TEST_F(ServiceStoreTest, TimedAccessWithoutAClockFailsOnlyWhereItMustRead) {
    files().wordFile({"secret", "t"});
    EXPECT_EQ(service().checkTimedAccess().outcome.kind, TimedOutcome::Kind::NoClock);
    ASSERT_TRUE(service().stopTimeLogging().ok());  // no browser: nothing to read
    EXPECT_FALSE(service().filterActive());
    EXPECT_TRUE(service().addRefCount().ok());
    EXPECT_EQ(service().startTimeLogging().kind, TimedOutcome::Kind::NoClock);
    EXPECT_EQ(service().browserCount(), 1u);
}

}  // namespace
}  // namespace tb
