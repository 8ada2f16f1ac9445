#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "common/tests/memory_registry.h"
#include "common/vendor_endpoints.h"
#include "service/update/browser_launch.h"
#include "service/update/update_reminder.h"
#include "service/update/visited_list.h"

namespace tb::update {
namespace {

constexpr int64_t kDay = 86400;
constexpr int64_t kNow = 1'000'000'000;

class FakeFiles : public FileTimes {
  public:
    std::optional<int64_t> modified(const std::string& path) override {
        auto it = times.find(path);
        return it == times.end() ? std::nullopt : std::optional<int64_t>(it->second);
    }
    std::map<std::string, int64_t> times;
};

class RecordingUi : public ReminderUi {
  public:
    std::optional<ReminderAnswer> ask() override {
        ++asked;
        return answer;
    }
    void openPage(const std::string& address) override { opened.push_back(address); }
    std::optional<ReminderAnswer> answer = ReminderAnswer::AskLater;
    int asked = 0;
    std::vector<std::string> opened;
};

// --- The due rule ---------------------------------------------------------

TEST(ReminderDue, NeedsAListOlderThanThreeWeeksAndNoAnswerForTwo) {
    EXPECT_FALSE(reminderDue(kNow, std::nullopt, 1)) << "no list file";
    EXPECT_FALSE(reminderDue(kNow, kNow - 20 * kDay, 1)) << "list modified 20 days ago";
    EXPECT_FALSE(reminderDue(kNow, kNow - 21 * kDay, 1)) << "exactly 21 days is still fresh";
    EXPECT_TRUE(reminderDue(kNow, kNow - 21 * kDay - 1, 1));
    EXPECT_FALSE(reminderDue(kNow, kNow - 30 * kDay, kNow - 13 * kDay)) << "answered 13 days ago";
    EXPECT_FALSE(reminderDue(kNow, kNow - 30 * kDay, kNow - 14 * kDay)) << "exactly 14 days";
    EXPECT_TRUE(reminderDue(kNow, kNow - 30 * kDay, kNow - 14 * kDay - 1));
}

TEST(ReminderDue, ReadsTheListFilesDateFromDisk) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tb_update_due";
    std::filesystem::create_directories(dir);
    const std::string list = (dir / kAgeListFile).string();
    std::ofstream(list) << "x";
    const std::time_t now = std::time(nullptr);
    StatFileTimes files;

    utimbuf old{now - 30 * kDay, now - 30 * kDay};
    ASSERT_EQ(utime(list.c_str(), &old), 0);
    EXPECT_TRUE(reminderDue(now, files.modified(list), static_cast<int32_t>(now - 15 * kDay)));
    utimbuf recent{now - 20 * kDay, now - 20 * kDay};
    ASSERT_EQ(utime(list.c_str(), &recent), 0);
    EXPECT_FALSE(reminderDue(now, files.modified(list), static_cast<int32_t>(now - 300 * kDay)));
    EXPECT_FALSE(files.modified((dir / "missing.dat").string()));
    std::filesystem::remove_all(dir);
}

// --- needUpdate and the answers ------------------------------------------

class UpdateReminderTest : public ::testing::Test {
  protected:
    UpdateReminderTest() : reminder([this] { return now; }) {
        reminder.listsLoaded(static_cast<uint32_t>(kNow - 15 * kDay));
        files.times["C:\\tb\\TBinD.dat"] = kNow - 30 * kDay;
    }
    NeedUpdateAnswer ask() { return reminder.needUpdate(true, "C:\\tb\\TBinD.dat", files, ui); }

    int64_t now = kNow;
    UpdateReminder reminder;
    FakeFiles files;
    RecordingUi ui;
};

TEST_F(UpdateReminderTest, AFreshInstallationWritesNowAndIsNotRemindedForTwoWeeks) {
    EXPECT_TRUE(reminder.listsLoaded(std::nullopt));
    EXPECT_EQ(reminder.updateTime(), kNow);
    ask();
    now = kNow + 14 * kDay;
    ask();
    EXPECT_EQ(ui.asked, 0);
    now = kNow + 14 * kDay + 1;
    ask();
    EXPECT_EQ(ui.asked, 1);
}

TEST_F(UpdateReminderTest, AStoredTimeIsKeptAndOneBelowOneCountsAsNow) {
    EXPECT_FALSE(reminder.listsLoaded(12345u));
    EXPECT_EQ(reminder.updateTime(), 12345);
    EXPECT_FALSE(reminder.listsLoaded(0u));
    EXPECT_EQ(reminder.updateTime(), kNow);
    EXPECT_FALSE(reminder.listsLoaded(0x80000000u));
    EXPECT_EQ(reminder.updateTime(), kNow) << "negative as a 32-bit time";
}

TEST_F(UpdateReminderTest, WithTheListsNotLoadedItAlwaysAnswersTheErrorPage) {
    reminder.answer(ReminderAnswer::No, ui);
    const NeedUpdateAnswer a = reminder.needUpdate(false, "C:\\tb\\TBinD.dat", files, ui);
    EXPECT_TRUE(a.needUpdate);
    EXPECT_EQ(a.url, vendor::kUpdateErrorPage);
    EXPECT_EQ(ui.asked, 0);
}

TEST_F(UpdateReminderTest, ADueReminderAsksButNeverAnswersNeedUpdate) {
    const NeedUpdateAnswer a = ask();
    EXPECT_EQ(ui.asked, 1);
    EXPECT_FALSE(a.needUpdate);
    EXPECT_FALSE(a.url);
}

TEST_F(UpdateReminderTest, OkOpensTheUpdatePageAndAsksAgainInTwoWeeks) {
    ui.answer = ReminderAnswer::Update;
    now = kNow + 100;
    ask();
    EXPECT_EQ(ui.opened, std::vector<std::string>{vendor::kUpdatePage});
    EXPECT_EQ(reminder.updateTime(), kNow + 100);
    ask();
    EXPECT_EQ(ui.asked, 1);
}

TEST_F(UpdateReminderTest, AskAgainLaterOnlyMovesTheTime) {
    ui.answer = ReminderAnswer::AskLater;
    ask();
    EXPECT_TRUE(ui.opened.empty());
    EXPECT_EQ(reminder.updateTime(), kNow);
    EXPECT_TRUE(reminder.reminderOn());
}

TEST_F(UpdateReminderTest, ADialogThatCouldNotBeShownChangesNothing) {
    ui.answer.reset();
    ask();
    ask();
    EXPECT_EQ(ui.asked, 2);
    EXPECT_EQ(reminder.updateTime(), kNow - 15 * kDay);
    EXPECT_TRUE(reminder.reminderOn());
}

TEST_F(UpdateReminderTest, NoSilencesTheReminderUntilTheListsAreLoadedAgain) {
    ui.answer = ReminderAnswer::No;
    ask();
    const int32_t before = reminder.updateTime();
    ask();
    ask();
    EXPECT_EQ(ui.asked, 1);
    EXPECT_EQ(reminder.updateTime(), before);
    reminder.listsLoaded(static_cast<uint32_t>(before));  // the next start
    ask();
    EXPECT_EQ(ui.asked, 2);
}

// --- Internet Explorer ----------------------------------------------------

TEST(InternetExplorerDirectory, TakesTheSetupPathThenTheOlderOne) {
    tb::testing::MemoryRegistry reg;
    EXPECT_EQ(internetExplorerDirectory(reg), "");
    reg.createKey(RegRoot::LocalMachine, kIe4SetupKey);
    reg.writeString(RegRoot::LocalMachine, kIe4SetupKey, "Path", "C:\\IE4");
    EXPECT_EQ(internetExplorerDirectory(reg), "C:\\IE4");
    reg.createKey(RegRoot::LocalMachine, kIeSetupKey);
    EXPECT_EQ(internetExplorerDirectory(reg), "C:\\IE4") << "setup key without a Path";
    reg.writeString(RegRoot::LocalMachine, kIeSetupKey, "Path",
                    "C:\\Program Files\\Internet Explorer");
    EXPECT_EQ(internetExplorerDirectory(reg), "C:\\Program Files\\Internet Explorer");
    reg.writeString(RegRoot::LocalMachine, kIeSetupKey, "Path", std::string(300, 'x'));
    EXPECT_EQ(internetExplorerDirectory(reg).size(), 259u);
    EXPECT_EQ(internetExplorerCommandLine("http://a/b"), "Iexplore.exe http://a/b");
}

// --- DownloadDNAList ------------------------------------------------------

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(DownloadVisitedList, AppendsTheAddressesEachTimeThenReloads) {
    const std::string path = (std::filesystem::temp_directory_path() / "tb_TBout.txt").string();
    std::remove(path.c_str());
    int reloads = 0;
    const std::vector<std::string> visited{"www.a.example/", "b.example/x"};
    EXPECT_EQ(downloadVisitedList(true, path, visited, [&] { ++reloads; }), DownloadResult::Done);
    EXPECT_EQ(downloadVisitedList(true, path, visited, [&] { ++reloads; }), DownloadResult::Done);
    EXPECT_EQ(readAll(path), "www.a.example/\r\nb.example/x\r\nwww.a.example/\r\nb.example/x\r\n");
    EXPECT_EQ(reloads, 2);
    std::remove(path.c_str());
}

TEST(DownloadVisitedList, DoesNothingUntilTheListsAreLoadedAndReportsAnUnopenableFile) {
    const std::filesystem::path dir = std::filesystem::temp_directory_path() / "tb_visited_dir";
    std::filesystem::create_directories(dir);
    int reloads = 0;
    EXPECT_EQ(downloadVisitedList(false, (dir / "TBout.txt").string(), {"a/"}, [&] { ++reloads; }),
              DownloadResult::NotReady);
    EXPECT_FALSE(std::filesystem::exists(dir / "TBout.txt"));
    EXPECT_EQ(downloadVisitedList(true, dir.string(), {"a/"}, [&] { ++reloads; }),
              DownloadResult::CannotOpen);
    EXPECT_EQ(reloads, 0);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace tb::update
