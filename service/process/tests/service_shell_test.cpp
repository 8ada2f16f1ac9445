// The service's dialogs, tray window and menu, driven by window automation.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <sstream>
#include <vector>

#include "common/com_holders.h"
#include "common/registry_win32.h"
#include "service/process/process_resources.h"
#include "service/process/service_dialogs_win32.h"
#include "service/process/tests/window_automation.h"
#include "service/process/tray_win32.h"
#include "service/uninstall/uninstall_resources.h"
#include "service/update/browser_launch.h"
#include "service/update/browser_launch_win32.h"
#include "service/update/update_resources.h"

namespace tb {
namespace {

using testing::click;
using testing::controlText;
using testing::finished;
using testing::onDialogThread;
using testing::setControlText;
using testing::waitForDialog;
using testing::waitUntilGone;

std::string programDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string p(path);
    return p.substr(0, p.find_last_of('\\') + 1);
}

std::string currentDirectory() {
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    return cwd;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Waits for the fake program to have written its line.
std::string waitForStart(const std::string& log) {
    for (int i = 0; i < 500; ++i) {
        std::string text = readFile(log);
        if (!text.empty() && text.back() == '\n') return text;
        Sleep(10);
    }
    return {};
}

class RecordingService : public ServiceCalls {
  public:
    bool tbOn(const std::string& password) override {
        log += "tbOn(" + password + ");";
        if (password == "*") on = true;
        if (entry && password == *entry) on = !on;
        return on;
    }
    void startTimeLogging() override { log += "start;"; }
    void stopTimeLogging() override { log += "stop;"; }
    std::optional<std::string> passwordEntry() override { return entry; }
    bool isMasterCode(const std::string& typed) override { return typed == "qwerty"; }
    void showAbout() override { log += "about;"; }
    void showIncorrectPassword() override { ++incorrect; }
    void uninstallStepOne() override { log += "step one;"; }

    std::atomic<bool> on{false};
    std::optional<std::string> entry = std::string("secret");
    std::string log;
    std::atomic<int> incorrect{0};
};

// --- The update reminder ----------------------------------------------------

TEST(UpdateReminderDialog, ShowsItsTextAndReturnsEachOfTheThreeAnswers) {
    const struct {
        int button;
        update::ReminderAnswer answer;
    } cases[] = {{IDC_UPDATE_OK, update::ReminderAnswer::Update},
                 {IDC_UPDATE_NO, update::ReminderAnswer::No},
                 {IDC_UPDATE_LATER, update::ReminderAnswer::AskLater}};
    for (const auto& c : cases) {
        auto answer = onDialogThread([] { return DialogReminderUi().ask(); });
        HWND dialog = waitForDialog("Tamberly Update");
        ASSERT_TRUE(dialog);
        const std::string text = controlText(dialog, IDC_UPDATE_TEXT);
        const std::string first =
            "It has been two weeks since you were last asked to update Tamberly's list of blocked "
            "sites.";
        const std::string second = "Would you like to update now?";
        EXPECT_EQ(text.substr(0, first.size()), first);
        EXPECT_EQ(text.substr(text.size() - second.size()), second);
        EXPECT_NE(text.find("     ", first.size()), std::string::npos)
            << "a run of blanks wraps the line";
        EXPECT_EQ(controlText(dialog, IDC_UPDATE_OK), "OK");
        EXPECT_EQ(controlText(dialog, IDC_UPDATE_NO), "No");
        EXPECT_EQ(controlText(dialog, IDC_UPDATE_LATER), "Ask again in 2 weeks");
        click(dialog, c.button);
        ASSERT_TRUE(finished(answer));
        EXPECT_EQ(answer.get(), c.answer);
    }
}

TEST(UpdateReminderDialog, TheCloseBoxAnswersNo) {
    auto answer = onDialogThread([] { return DialogReminderUi().ask(); });
    HWND dialog = waitForDialog("Tamberly Update");
    ASSERT_TRUE(dialog);
    PostMessageA(dialog, WM_CLOSE, 0, 0);
    ASSERT_TRUE(finished(answer));
    EXPECT_EQ(answer.get(), update::ReminderAnswer::No);
}

// --- The uninstall dialog ---------------------------------------------------

TEST(UninstallDialog, AWrongPasswordEmptiesTheFieldAndKeepsTheDialogOpen) {
    RecordingService service;
    auto done = onDialogThread([&] { showUninstallDialog(service); });
    HWND dialog = waitForDialog("Uninstall Tamberly");
    ASSERT_TRUE(dialog);
    EXPECT_EQ(controlText(dialog, IDC_UNINSTALL_WARNING).substr(0, 11), "WARNING!!  ");
    const std::string support = controlText(dialog, IDC_UNINSTALL_SUPPORT);
    EXPECT_NE(support.find("support@orvan.com"), std::string::npos);
    EXPECT_NE(support.find("1-800-555-0142"), std::string::npos);
    EXPECT_TRUE(GetWindowLongA(GetDlgItem(dialog, IDC_UNINSTALL_PASSWORD), GWL_STYLE) &
                ES_PASSWORD);

    setControlText(dialog, IDC_UNINSTALL_PASSWORD, "guess");
    click(dialog, IDC_UNINSTALL_OK);
    EXPECT_EQ(service.incorrect.load(), 1);
    EXPECT_EQ(controlText(dialog, IDC_UNINSTALL_PASSWORD), "");
    EXPECT_TRUE(IsWindow(dialog));

    setControlText(dialog, IDC_UNINSTALL_PASSWORD, "SECRET");
    click(dialog, IDC_UNINSTALL_OK);
    ASSERT_TRUE(finished(done));
    EXPECT_EQ(service.log, "step one;");
}

TEST(UninstallDialog, TodaysMasterCodeStartsTheUninstallAndCancelDoesNot) {
    RecordingService service;
    auto done = onDialogThread([&] { showUninstallDialog(service); });
    HWND dialog = waitForDialog("Uninstall Tamberly");
    ASSERT_TRUE(dialog);
    setControlText(dialog, IDC_UNINSTALL_PASSWORD, "QWERTY");
    click(dialog, IDC_UNINSTALL_OK);
    ASSERT_TRUE(finished(done));
    EXPECT_EQ(service.log, "step one;");

    auto cancelled = onDialogThread([&] { showUninstallDialog(service); });
    dialog = waitForDialog("Uninstall Tamberly");
    ASSERT_TRUE(dialog);
    click(dialog, IDC_UNINSTALL_CANCEL);
    ASSERT_TRUE(finished(cancelled));
    EXPECT_EQ(service.log, "step one;");
    EXPECT_EQ(service.incorrect.load(), 0);
}

// --- The tray ---------------------------------------------------------------

class TrayTest : public ::testing::Test {
  protected:
    TrayTest() : tray(GetModuleHandleW(nullptr), service, [this] { ++hookCalls; }) {}
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(com.result())); }
    void TearDown() override {
        if (HWND w = tray.window()) DestroyWindow(w);
    }
    // Pumps this thread's messages until done() or a time limit.
    template <class Done>
    void pumpUntil(Done done, int limitMs = 5000) {
        const DWORD end = GetTickCount() + limitMs;
        while (!done() && GetTickCount() < end) {
            MSG m;
            while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&m);
            Sleep(5);
        }
    }

    ComApartment com;
    RecordingService service;
    int hookCalls = 0;
    tray::TrayHost tray;
};

TEST_F(TrayTest, TheSecondQueryMakesTheHiddenWindowAndTheIconFollowsTheSwitch) {
    tray.showState(true);
    EXPECT_EQ(hookCalls, 1);
    EXPECT_FALSE(tray.window());
    tray.showState(true);
    HWND window = tray.window();
    ASSERT_TRUE(window);
    EXPECT_FALSE(IsWindowVisible(window));
    EXPECT_FALSE(GetWindowLongA(window, GWL_STYLE) & WS_CAPTION);
    EXPECT_FALSE(GetWindow(window, GW_OWNER));
    const NOTIFYICONDATAA& data = tray.platform().data();
    EXPECT_EQ(data.uID, 1001u);
    EXPECT_EQ(data.uFlags, 7u);
    EXPECT_EQ(data.uCallbackMessage, 0x8064u);
    EXPECT_EQ(data.hWnd, window);
    EXPECT_TRUE(data.hIcon);
    EXPECT_STREQ(data.szTip, "");
    EXPECT_EQ(tray.platform().iconShown(), IDI_FILTER_ON);
    tray.showState(false);
    EXPECT_EQ(tray.platform().iconShown(), IDI_FILTER_OFF);
    tray.showState(true);
    EXPECT_EQ(tray.platform().iconShown(), IDI_FILTER_ON);
    EXPECT_EQ(hookCalls, 1);
}

TEST_F(TrayTest, RightClickShowsExactlyTheSixMenuPositions) {
    tray.showState(true);
    tray.showState(true);
    HWND window = tray.window();
    ASSERT_TRUE(window);
    struct Item {
        std::string text;
        UINT id;
        bool separator;
    };
    std::vector<Item> items;
    std::atomic<bool> read{false};
    std::thread reader([&] {
        HWND menuWindow = testing::waitForShownWindow("#32768", nullptr);
        if (menuWindow) {
            HMENU menu =
                reinterpret_cast<HMENU>(SendMessageA(menuWindow, 0x01E1 /* MN_GETHMENU */, 0, 0));
            for (int i = 0; menu && i < GetMenuItemCount(menu); ++i) {
                char text[100] = {};
                MENUITEMINFOA info{};
                info.cbSize = sizeof info;
                info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STRING;
                info.dwTypeData = text;
                info.cch = sizeof text;
                GetMenuItemInfoA(menu, i, TRUE, &info);
                items.push_back({text, info.wID, (info.fType & MFT_SEPARATOR) != 0});
            }
        }
        read = true;
        // Close it, however early the menu loop sees the request.
        for (int i = 0; menuWindow && IsWindowVisible(menuWindow) && i < 250; ++i) {
            EndMenu();
            PostMessageA(menuWindow, WM_KEYDOWN, VK_ESCAPE, 0);
            Sleep(20);
        }
    });
    PostMessageA(window, tray::kCallbackMessage, tray::kIconId, WM_RBUTTONDOWN);
    pumpUntil([&] { return read.load(); });
    reader.join();
    ASSERT_EQ(items.size(), 6u);
    EXPECT_EQ(items[0].text, "About Tamberly");
    EXPECT_EQ(items[0].id, 1003u);
    EXPECT_TRUE(items[1].separator);
    EXPECT_EQ(items[2].text, "Tamberly On/Off");
    EXPECT_EQ(items[2].id, 1004u);
    EXPECT_EQ(items[3].text, "Tamberly Manager");
    EXPECT_EQ(items[3].id, 1006u);
    EXPECT_TRUE(items[4].separator);
    EXPECT_EQ(items[5].text, "Uninstall Tamberly");
    EXPECT_EQ(items[5].id, 1008u);
}

TEST_F(TrayTest, LeftClickStartsTheManagerFromTheProgramsDirectory) {
    const std::string dir = programDirectory();
    ASSERT_TRUE(
        CopyFileA((dir + "fake_program.exe").c_str(), (dir + "TAMBERLY.exe").c_str(), FALSE));
    DeleteFileA((dir + "started.log").c_str());
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string before = currentDirectory();
    ASSERT_TRUE(SetCurrentDirectoryA(temp));
    const std::string elsewhere = currentDirectory();

    tray.showState(true);
    tray.showState(true);
    ASSERT_TRUE(tray.window());
    SendMessageA(tray.window(), tray::kCallbackMessage, tray::kIconId, WM_LBUTTONDOWN);
    const std::string started = waitForStart(dir + "started.log");
    EXPECT_EQ(currentDirectory(), elsewhere) << "the current directory is put back";
    SetCurrentDirectoryA(before.c_str());

    ASSERT_FALSE(started.empty());
    std::string where = dir.substr(0, dir.size() - 1);
    EXPECT_EQ(started.substr(0, started.find('|')), where);
    DeleteFileA((dir + "TAMBERLY.exe").c_str());
    DeleteFileA((dir + "started.log").c_str());
}

TEST_F(TrayTest, OnOffWithFilteringOnAsksForThePasswordThenSwitchesOff) {
    service.on = true;
    tray.showState(true);
    tray.showState(true);
    auto done = onDialogThread([&] { tray.onCommand(tray::kOnOff); });
    HWND dialog = waitForDialog("Tamberly Password Verification");
    ASSERT_TRUE(dialog);
    EXPECT_EQ(controlText(dialog, IDC_PASSWORD_TEXT), "Please enter your Tamberly Password.");
    setControlText(dialog, IDC_PASSWORD_FIELD, "nope");
    click(dialog, IDC_PASSWORD_OK);
    EXPECT_EQ(service.incorrect.load(), 1);
    EXPECT_EQ(controlText(dialog, IDC_PASSWORD_FIELD), "");
    setControlText(dialog, IDC_PASSWORD_FIELD, "Secret");
    click(dialog, IDC_PASSWORD_OK);
    ASSERT_TRUE(finished(done));
    EXPECT_EQ(service.log, "tbOn();tbOn();tbOn(secret);stop;");
    EXPECT_FALSE(service.on.load());
}

TEST(CreditsDialog, ListsTheTeamByRoleWithAnOkButton) {
    auto done = onDialogThread([] { showCredits(); });
    HWND dialog = waitForDialog("Credits");
    ASSERT_TRUE(dialog);
    const std::string roles = controlText(dialog, IDC_CREDITS_LIST);
    EXPECT_NE(roles.find("Quality assurance"), std::string::npos);
    EXPECT_EQ(controlText(dialog, IDC_CREDITS_OK), "OK");
    click(dialog, IDC_CREDITS_OK);
    ASSERT_TRUE(finished(done));
    EXPECT_TRUE(waitUntilGone(dialog));
}

// --- Opening a page in Internet Explorer -------------------------------------

TEST(OpenPage, StartsIexploreWithTheAddressInTheSetupDirectory) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string ieDir = std::string(temp) + "tb_fake_ie";
    CreateDirectoryA(ieDir.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA((programDirectory() + "fake_program.exe").c_str(),
                          (ieDir + "\\Iexplore.exe").c_str(), FALSE));
    DeleteFileA((ieDir + "\\started.log").c_str());

    Win32Registry registry;
    const auto saved = registry.readString(RegRoot::LocalMachine, update::kIeSetupKey, "Path");
    ASSERT_TRUE(registry.createKey(RegRoot::LocalMachine, update::kIeSetupKey));
    registry.writeString(RegRoot::LocalMachine, update::kIeSetupKey, "Path", ieDir);
    const std::string before = currentDirectory();
    const bool opened =
        update::openPageInInternetExplorer("http://www.orvan.com/tamberly/tamberlyupdate.asp");
    if (saved) {
        registry.writeString(RegRoot::LocalMachine, update::kIeSetupKey, "Path", *saved);
    } else {
        registry.deleteValue(RegRoot::LocalMachine, update::kIeSetupKey, "Path");
    }
    EXPECT_TRUE(opened);
    EXPECT_EQ(currentDirectory(), before);
    const std::string started = waitForStart(ieDir + "\\started.log");
    EXPECT_EQ(started, ieDir + "|Iexplore.exe http://www.orvan.com/tamberly/tamberlyupdate.asp\n");
}

}  // namespace
}  // namespace tb
