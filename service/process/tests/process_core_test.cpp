#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "service/process/command_line.h"
#include "common/tests/memory_registry.h"
#include "service/process/keep_alive_monitor.h"
#include "service/process/proxy_keeping.h"
#include "service/process/service_lock.h"
#include "service/process/tray_model.h"

namespace tb {
namespace {

using namespace std::chrono_literals;

// --- The command line -----------------------------------------------------

TEST(CommandLine, SwitchesAfterDashOrSlashInAnyCase) {
    EXPECT_EQ(parseCommandLine("tbserv.exe /RegServer"), ServiceCommand::RegServer);
    EXPECT_EQ(parseCommandLine("tbserv.exe -unregserver"), ServiceCommand::UnregServer);
    EXPECT_EQ(parseCommandLine("\"C:\\Program Files\\Tamberly\\tbserv.exe\" -REGSERVER"),
              ServiceCommand::RegServer);
    EXPECT_EQ(parseCommandLine("/UnRegServer"), ServiceCommand::UnregServer);
    EXPECT_EQ(parseCommandLine("tbserv.exe /UnregServer  "), ServiceCommand::UnregServer);
}

TEST(CommandLine, ASwitchMustBeTheWholeRestOfTheLine) {
    EXPECT_EQ(parseCommandLine("tbserv.exe"), ServiceCommand::Run);
    EXPECT_EQ(parseCommandLine("tbserv.exe -Embedding"), ServiceCommand::Run);
    EXPECT_EQ(parseCommandLine("tbserv.exe RegServer"), ServiceCommand::Run);
    EXPECT_EQ(parseCommandLine("tbserv.exe /RegServer now"), ServiceCommand::Run);
    EXPECT_EQ(parseCommandLine("tbserv.exe /Reg"), ServiceCommand::Run);
    EXPECT_EQ(parseCommandLine("tbserv.exe /RegServerX"), ServiceCommand::Run);
    // Dashes and slashes in the program's path are no switches.
    EXPECT_EQ(parseCommandLine("C:\\my-tools\\tbserv.exe /RegServer"), ServiceCommand::RegServer);
    EXPECT_EQ(parseCommandLine("/home/a-b/tbserv.exe -UnregServer"), ServiceCommand::UnregServer);
}

// --- The tray menu and mouse ----------------------------------------------

TEST(TrayMenu, HasSixPositionsInOrder) {
    const std::vector<tray::MenuItem> menu = tray::trayMenu();
    ASSERT_EQ(menu.size(), 6u);
    EXPECT_EQ(menu[0].text, "About Tamberly");
    EXPECT_EQ(menu[0].command, 1003);
    EXPECT_EQ(menu[1].command, 0);
    EXPECT_EQ(menu[2].text, "Tamberly On/Off");
    EXPECT_EQ(menu[2].command, 1004);
    EXPECT_EQ(menu[3].text, "Tamberly Manager");
    EXPECT_EQ(menu[3].command, 1006);
    EXPECT_EQ(menu[4].command, 0);
    EXPECT_EQ(menu[5].text, "Uninstall Tamberly");
    EXPECT_EQ(menu[5].command, 1008);
}

TEST(TrayMenu, CommandsAndMouseMessagesMapToTheirActions) {
    using tray::Action;
    EXPECT_EQ(tray::actionForCommand(1003, false), Action::ShowAbout);
    EXPECT_EQ(tray::actionForCommand(1003, true), Action::ShowCredits);
    EXPECT_EQ(tray::actionForCommand(1004, true), Action::SwitchFilter);
    EXPECT_EQ(tray::actionForCommand(1006, false), Action::StartManager);
    EXPECT_EQ(tray::actionForCommand(1007, false), Action::RemoveIcon);
    EXPECT_EQ(tray::actionForCommand(1008, false), Action::ShowUninstall);
    EXPECT_EQ(tray::actionForCommand(1005, false), Action::None);
    EXPECT_EQ(tray::actionForMouse(1001, 0x0201), Action::StartManager);
    EXPECT_EQ(tray::actionForMouse(1001, 0x0203), Action::StartManager);
    EXPECT_EQ(tray::actionForMouse(1001, 0x0204), Action::ShowMenu);
    EXPECT_EQ(tray::actionForMouse(1001, 0x0200), Action::None) << "mouse move";
    EXPECT_EQ(tray::actionForMouse(1001, 0x0205), Action::None) << "right button up";
    EXPECT_EQ(tray::actionForMouse(1002, 0x0201), Action::None) << "another icon";
}

// --- The tray set-up states -----------------------------------------------

class FakeTray : public tray::TrayPlatform {
  public:
    void createShellWindows() override { log += "shell;"; }
    void initializeHook() override { log += "hook;"; }
    uintptr_t createTrayWindow() override {
        log += "window;";
        return windowFails ? 0 : nextWindow++;
    }
    bool addIcon(uintptr_t w, int icon) override {
        log += "add " + std::to_string(w) + " " + std::to_string(icon) + ";";
        return true;
    }
    bool modifyIcon(uintptr_t w, int icon) override {
        log += "modify " + std::to_string(icon) + ";";
        return modifyWorks;
    }
    bool deleteIcon(uintptr_t w) override {
        log += "delete " + std::to_string(w) + ";";
        return true;
    }
    void destroyTrayWindow(uintptr_t w) override { log += "destroy " + std::to_string(w) + ";"; }
    std::string take() { return std::exchange(log, ""); }

    std::string log;
    uintptr_t nextWindow = 0x100;
    bool modifyWorks = true;
    bool windowFails = false;
};

TEST(TrayIcon, TheFirstQueryInitialisesTheHookAndTheNextAddsTheIcon) {
    FakeTray platform;
    tray::TrayIcon icon(platform);
    EXPECT_EQ(icon.state(), 1u);
    icon.showState(true);
    EXPECT_EQ(platform.take(), "shell;hook;");
    EXPECT_EQ(icon.state(), 0u);
    icon.showState(true);
    EXPECT_EQ(platform.take(), "window;add 256 206;");
    EXPECT_EQ(icon.state(), 0x100u);
    icon.showState(false);
    EXPECT_EQ(platform.take(), "modify 208;");
    icon.showState(true);
    EXPECT_EQ(platform.take(), "modify 206;");
}

TEST(TrayIcon, AnIconLostWithTheShellComesBackWithTheSameWindow) {
    FakeTray platform;
    tray::TrayIcon icon(platform);
    icon.showState(true);
    icon.showState(true);
    platform.take();
    platform.modifyWorks = false;
    icon.showState(false);
    EXPECT_EQ(platform.take(), "modify 208;add 256 208;");
}

TEST(TrayIcon, RemovingTheIconMakesANewWindowAtTheNextQuery) {
    FakeTray platform;
    tray::TrayIcon icon(platform);
    icon.removeIcon();
    EXPECT_EQ(platform.take(), "") << "nothing to remove yet";
    icon.showState(true);
    icon.showState(true);
    platform.take();
    icon.removeIcon();
    EXPECT_EQ(platform.take(), "delete 256;destroy 256;");
    EXPECT_EQ(icon.state(), 0u);
    icon.showState(true);
    EXPECT_EQ(platform.take(), "window;add 257 206;");
}

TEST(TrayIcon, AWindowThatCannotBeMadeIsTriedAgainLater) {
    FakeTray platform;
    tray::TrayIcon icon(platform);
    icon.showState(true);
    platform.windowFails = true;
    icon.showState(true);
    EXPECT_EQ(icon.state(), 0u);
    platform.windowFails = false;
    platform.take();
    icon.showState(true);
    EXPECT_EQ(platform.take(), "window;add 256 206;");
}

// --- Switching from the menu and the password dialog ------------------------

class FakeService : public ServiceCalls {
  public:
    bool tbOn(const std::string& password) override {
        log += "tbOn(" + password + ");";
        if (password == "*" && !on) on = true;
        if (entry && password == *entry) on = !on;
        return on;
    }
    void startTimeLogging() override { log += "start;"; }
    void stopTimeLogging() override { log += "stop;"; }
    std::optional<std::string> passwordEntry() override { return entry; }
    bool isMasterCode(const std::string&) override { return false; }
    void showAbout() override {}
    void showIncorrectPassword() override {}
    void uninstallStepOne() override {}

    bool on = false;
    std::optional<std::string> entry = std::string("secret");
    std::string log;
};

TEST(SwitchFromMenu, SwitchesOnWithoutAPasswordAndAsksForOneToSwitchOff) {
    FakeService service;
    EXPECT_TRUE(tray::switchFromMenu(service));
    EXPECT_EQ(service.log, "tbOn();tbOn(*);start;");
    EXPECT_TRUE(service.on);
    service.log.clear();
    EXPECT_FALSE(tray::switchFromMenu(service));
    EXPECT_EQ(service.log, "tbOn();");
}

TEST(PasswordDialog, TheRightPasswordSwitchesOffAndStopsTimeLogging) {
    FakeService service;
    service.on = true;
    EXPECT_TRUE(tray::passwordDialogOk("SeCrEt", service));
    EXPECT_EQ(service.log, "tbOn();tbOn(secret);stop;");
    EXPECT_FALSE(service.on);
}

TEST(PasswordDialog, AWrongOrMissingPasswordChangesNothing) {
    FakeService service;
    service.on = true;
    EXPECT_FALSE(tray::passwordDialogOk("nope", service));
    service.entry.reset();
    EXPECT_FALSE(tray::passwordDialogOk("", service));
    EXPECT_EQ(service.log, "");
    EXPECT_TRUE(service.on);
}

// --- The lock ---------------------------------------------------------------

TEST(ServiceLock, TheWorkerWaitsForAWholeMemberCallOfTheMainThread) {
    ServiceLock lock;
    std::atomic<bool> workerIn{false};
    std::thread worker;
    {
        ServiceLock::Guard member(lock);
        ServiceLock::Guard nested(lock);  // a member calling a member
        worker = std::thread([&] {
            ServiceLock::WorkerGuard guard(lock);
            workerIn = static_cast<bool>(guard);
        });
        std::this_thread::sleep_for(50ms);
        EXPECT_FALSE(workerIn.load());
    }
    worker.join();
    EXPECT_TRUE(workerIn.load());
}

TEST(ServiceLock, AClosedLockKeepsTheWorkerOut) {
    ServiceLock lock;
    lock.close();
    std::thread([&] {
        ServiceLock::WorkerGuard guard(lock);
        EXPECT_FALSE(guard);
    }).join();
    ServiceLock::Guard member(lock);  // the main thread still gets in
    EXPECT_TRUE(lock.closed());
}

// --- The proxy-mode thread under the lock --------------------------------

TEST(ProxyKeeping, OneThreadPerProcessWhoseCallsWaitForTheMainThreadAndStopAtClosing) {
    ServiceLock lock;
    std::atomic<int> asks{0};
    auto reg = [] { return std::make_unique<tb::testing::MemoryRegistry>(); };
    ASSERT_TRUE(startProxyKeeping(
        reg(), nullptr, [&] { ++asks; }, lock, 2ms));
    EXPECT_FALSE(startProxyKeeping(
        reg(), nullptr, [&] { ++asks; }, lock, 2ms))
        << "a second Load";
    while (asks.load() < 2) std::this_thread::sleep_for(1ms);
    {
        ServiceLock::Guard member(lock);  // a long member call on the main thread
        const int before = asks.load();
        std::this_thread::sleep_for(30ms);
        EXPECT_EQ(asks.load(), before);
    }
    lock.close();
    std::this_thread::sleep_for(10ms);
    const int closed = asks.load();
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(asks.load(), closed);
    EXPECT_TRUE(proxyKeepingRuns());
    stopProxyKeeping();
    EXPECT_FALSE(proxyKeepingRuns());
}

// --- The keep-alive monitor -------------------------------------------------

TEST(KeepAliveMonitor, ABurstOfSignalsEndsInAQuietPeriodAndNothingElse) {
    KeepAliveMonitor monitor(20ms);
    monitor.start();
    monitor.signal();
    monitor.signal();
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (monitor.quietPeriods() < 1 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(1ms);
    EXPECT_EQ(monitor.quietPeriods(), 1);
    EXPECT_FALSE(monitor.active());
    monitor.noteActivity();
    EXPECT_TRUE(monitor.active());
    monitor.stop();
}

}  // namespace
}  // namespace tb
