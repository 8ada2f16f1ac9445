// tbhook.dll under Wine, against fake browsers of our own: processes that
// serve DDE like the browsers do, and windows created here with the instance
// of a module named like a browser.
//
// The kill timers are real (5 s), so each case starts what it needs at once
// and waits for all of it together.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "hook/tbhook.h"
#include "hook/tests/hook_test_support.h"

namespace tb::hook::test {
namespace {

constexpr char kWarningText[] =
    "Tamberly has detected a browser that is not supported by\n Tamberly and will close it "
    "down.  If you would like to use\n that browser please turn Tamberly off.";
constexpr char kConnectFailed[] = "DDE connect failed\n";
constexpr char kTransactionFailed[] = "DDE transaction failed\n";

// The kill conversation comes 5 s after the window; these bounds only keep a
// conversation that came at once, or never, from passing. Wine on a loaded
// machine can deliver a 5 s timer many seconds late, so the upper bound and
// the waits below are generous.
constexpr DWORD kEarliestKillMs = 4500;
constexpr DWORD kLatestKillMs = 30000;
constexpr DWORD kEventWaitMs = 15000;
constexpr DWORD kBoxWaitMs = 30000;
constexpr DWORD kExitWaitMs = 45000;
// Long enough for a timer that should not exist to have fired.
constexpr DWORD kQuietMs = 6500;

// Calls THKillBrowser(kind), then dispatches messages for `pumpMs`.
class KillThread : public TestThread {
  public:
    KillThread(unsigned kind, DWORD pumpMs) : kind_(kind), pumpMs_(pumpMs) { start(); }
    ~KillThread() override { join(); }

  private:
    void body() override {
        THKillBrowser(kind_);
        SetEvent(ready_);
        pumpMessages(pumpMs_);
    }
    unsigned kind_;
    DWORD pumpMs_;
};

uint32_t low32(const void* p) {
    return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p));
}

// Waits until a timer started with the fake's last window would have fired.
void waitOutTimers(const FakeBrowser& fake) {
    const std::vector<DWORD> windows = fake.ticks("window");
    if (windows.empty()) return;
    const DWORD until = windows.back() + kQuietMs;
    while (static_cast<LONG>(until - GetTickCount()) > 0) sleepPumping(50);
}

class HookEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        DebugOutput::instance();
        library = GetModuleHandleA("tbhook.dll");
        section = findSharedSection(library);
        ASSERT_NE(section.data, nullptr);
        before = const_cast<const SharedData&>(*section.data);
        messageId = THInitialize(nullptr);
        // Every case below also shows that this second call installed no
        // second hook: a second hook would run the reaction twice.
        secondMessageId = THInitialize(nullptr);
        watcher = std::make_unique<WarningBoxWatcher>();
    }
    void TearDown() override {
        watcher.reset();
        THUninitialize();
    }

    HMODULE library = nullptr;
    SharedSection section;
    SharedData before = {};
    unsigned messageId = 0;
    unsigned secondMessageId = 0;
    std::unique_ptr<WarningBoxWatcher> watcher;
};

HookEnvironment* g_env =
    static_cast<HookEnvironment*>(::testing::AddGlobalTestEnvironment(new HookEnvironment));

class Hook : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(g_env->section.data, nullptr);
        ASSERT_NE(shared().hook, 0u) << "the hook is not installed";
        THFilterOn(true);
        shared().warned = 0;
        boxes().clear();
        boxes().setDismissDelay(100);
    }
    void TearDown() override { THFilterOn(true); }

    static volatile SharedData& shared() { return *g_env->section.data; }
    static WarningBoxWatcher& boxes() { return *g_env->watcher; }
    static DebugOutput& debug() { return DebugOutput::instance(); }

    // A window of this process that the hook should take for a browser's
    // (or not); true when it reacted, which it shows by the warning.
    static bool warnsAbout(WindowShape shape) {
        shared().warned = 0;
        WindowThread window(shape);
        window.join();
        EXPECT_TRUE(window.created());
        const bool warned = shared().warned != 0;
        EXPECT_EQ(boxes().countFromThread(window.tid()), warned ? 1 : 0);
        return warned;
    }
    static bool warnsAbout(const std::string& moduleFile) {
        WindowShape shape;
        shape.module = moduleNamed(moduleFile);
        EXPECT_NE(shape.module, nullptr) << moduleFile;
        return warnsAbout(shape);
    }

    static void expectKilledAboutFiveSecondsLater(const FakeBrowser& browser) {
        const std::vector<DWORD> windows = browser.ticks("window");
        const std::vector<DWORD> pokes = browser.ticks("poke");
        ASSERT_EQ(windows.size(), 1u);
        ASSERT_EQ(pokes.size(), 1u);
        EXPECT_GE(pokes[0] - windows[0], kEarliestKillMs);
        EXPECT_LE(pokes[0] - windows[0], kLatestKillMs);
    }
};

TEST_F(Hook, SharedSectionIsEighteenSharedWritableBytesInTheTabledOrder) {
    const SharedSection& s = g_env->section;
    EXPECT_EQ(s.virtualSize, 18u);
    const DWORD wanted = IMAGE_SCN_MEM_SHARED | IMAGE_SCN_MEM_READ | IMAGE_SCN_MEM_WRITE;
    EXPECT_EQ(s.characteristics & wanted, wanted);
    EXPECT_EQ(s.characteristics & IMAGE_SCN_MEM_EXECUTE, 0u);

    // As the first process found it: no hook, no message, filtering on.
    EXPECT_EQ(g_env->before.hook, 0u);
    EXPECT_EQ(g_env->before.foundBrowserMessage, 0u);
    EXPECT_EQ(g_env->before.warned, 0u);
    EXPECT_EQ(g_env->before.filterOn, 1u);
    EXPECT_EQ(g_env->before.instance, low32(g_env->library));

    EXPECT_NE(g_env->messageId, 0u);
    EXPECT_EQ(g_env->messageId, RegisterWindowMessageA("THFoundBrowser"));
    EXPECT_EQ(shared().foundBrowserMessage, g_env->messageId);

    THFilterOn(false);
    EXPECT_EQ(shared().filterOn, 0u);
    THFilterOn(true);
    EXPECT_EQ(shared().filterOn, 1u);
}

// The service finds the exports by their names: plain ones in every
// bitness, never the decorated names of a 32-bit stdcall build.
TEST_F(Hook, TheFourExportsGoByTheirPlainNames) {
    for (const char* name : {"THInitialize", "THUninitialize", "THKillBrowser", "THFilterOn"}) {
        EXPECT_NE(GetProcAddress(g_env->library, name), nullptr) << name;
        EXPECT_EQ(GetProcAddress(g_env->library, ("_" + std::string(name)).c_str()), nullptr) << name;
    }
    EXPECT_EQ(GetProcAddress(g_env->library, "THInitialize@4"), nullptr);
}

TEST_F(Hook, ASecondInitializeInstallsNoSecondHookAndAnswersTheMessageIdAgain) {
    EXPECT_EQ(g_env->secondMessageId, g_env->messageId);
    const uint32_t hook = shared().hook;
    HWND owner = CreateWindowExA(0, "STATIC", nullptr, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 nullptr, nullptr);
    EXPECT_EQ(THInitialize(owner), g_env->messageId);
    EXPECT_EQ(shared().hook, hook);
    EXPECT_EQ(shared().owner, low32(owner));
    DestroyWindow(owner);
}

TEST_F(Hook, RecognisesTheNetscapeFamilyByNameAndOperaOnlyAsOperaExe) {
    struct Case {
        const char* file;
        bool browser;
    };
    const Case cases[] = {
        {"NETSCAPE.EXE", true},   {"Netscp6.exe", true},       {"navstart.dll", true},
        {"navstart", true},       {"netscape.bin", true},      {"opera.exe", true},
        {"OPERA.EXE", true},      {"opera.dll", false},        {"opera.com", false},
        {"opera", false},         {"operas.exe", false},       {"netscape6.exe", false},
        {"xnavstart.exe", false}, {"netscape.exe.bak", false},
    };
    for (const Case& c : cases) EXPECT_EQ(warnsAbout(c.file), c.browser) << c.file;
}

TEST_F(Hook, LeavesChildOwnedAndNamelessWindowsAlone) {
    HWND parent = CreateWindowExA(0, "STATIC", nullptr, WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                                  nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    WindowShape shape;
    shape.module = moduleNamed("NETSCAPE.EXE");

    WindowShape child = shape;
    child.parent = parent;
    child.style = WS_CHILD;
    EXPECT_FALSE(warnsAbout(child));

    WindowShape owned = shape;
    owned.parent = parent;
    owned.style = WS_POPUP;
    EXPECT_FALSE(warnsAbout(owned));

    WindowShape nameless = shape;
    nameless.name = nullptr;
    EXPECT_FALSE(warnsAbout(nameless));

    WindowShape emptyName = shape;
    emptyName.name = "";
    EXPECT_TRUE(warnsAbout(emptyName));

    DestroyWindow(parent);
}

TEST_F(Hook, ANetscapeStartedWhileFilteringIsOnIsWarnedOnceAndToldToExit) {
    // The box stays up past the kill timer: the timer fires inside it.
    boxes().setDismissDelay(kQuietMs);
    FakeBrowser netscape("netscape.exe");
    ASSERT_TRUE(netscape.started());
    ASSERT_TRUE(boxes().waitForBox(netscape.pid(), kBoxWaitMs));

    // Other browsers started while the warning is out get no box of their
    // own, but each its own conversation.
    FakeBrowser navstart("navstart.exe");
    FakeBrowser opera("opera.exe");

    EXPECT_EQ(netscape.waitForExit(kExitWaitMs), 0u);
    EXPECT_EQ(navstart.waitForExit(kExitWaitMs), 0u);
    EXPECT_EQ(opera.waitForExit(kExitWaitMs), 0u);
    expectKilledAboutFiveSecondsLater(netscape);
    expectKilledAboutFiveSecondsLater(navstart);
    expectKilledAboutFiveSecondsLater(opera);

    if (HasFatalFailure()) return;

    // The poke came while the box still held the window's creation.
    ASSERT_EQ(netscape.ticks("created").size(), 1u);
    EXPECT_LT(netscape.ticks("poke")[0], netscape.ticks("created")[0]);

    const std::vector<WarningBox> shown = boxes().boxes();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].pid, netscape.pid());
    EXPECT_EQ(shown[0].text, kWarningText);
    EXPECT_EQ(shown[0].owner, nullptr);
    // Wine's message box ignores MB_TOPMOST.
    if (!runningUnderWine()) {
        EXPECT_NE(shown[0].exStyle & WS_EX_TOPMOST, 0);
    }

    // Every conversation connected, so the next browser is warned again.
    EXPECT_EQ(shared().warned, 0u);
    EXPECT_EQ(debug().countFromProcess(netscape.pid(), kConnectFailed), 0);
}

TEST_F(Hook, ASecondWindowWhileWarnedGetsItsOwnConversationButNoSecondBox) {
    FakeBrowser netscape("netscape.exe", "--windows 2 --pokes 2");
    ASSERT_TRUE(boxes().waitForBox(netscape.pid(), kBoxWaitMs));
    // A window on another thread than the one that set DDE up in its
    // process: here a thread of this process, talking to a browser whose
    // own (nameless) window is not recognised.
    FakeBrowser netscp6("netscp6.exe", "--unnamed");
    ASSERT_TRUE(netscp6.waitForEvent("dde-ready", kEventWaitMs));
    WindowShape shape;
    shape.module = moduleNamed("netscp6.exe");
    shape.pumpMs = kQuietMs;
    WindowThread window(shape);
    const DWORD windowCreated = GetTickCount();
    // A browser that refuses the poke: the conversation connected, so it
    // still ends the warning.
    FakeBrowser navstart("navstart.exe", "--refuse");

    EXPECT_EQ(netscape.waitForExit(kExitWaitMs), 0u);
    const std::vector<DWORD> windows = netscape.ticks("window");
    const std::vector<DWORD> pokes = netscape.ticks("poke");
    ASSERT_EQ(windows.size(), 2u);
    ASSERT_EQ(pokes.size(), 2u);
    for (int i = 0; i < 2; ++i) {
        EXPECT_GE(pokes[i] - windows[i], kEarliestKillMs) << "window " << i;
        EXPECT_LE(pokes[i] - windows[i], kLatestKillMs) << "window " << i;
    }

    EXPECT_EQ(netscp6.waitForExit(kExitWaitMs), 0u);
    const std::vector<DWORD> threadPokes = netscp6.ticks("poke");
    ASSERT_EQ(threadPokes.size(), 1u);
    EXPECT_GE(threadPokes[0] - windowCreated, kEarliestKillMs - 500);
    window.join();
    EXPECT_EQ(debug().countFromThread(window.tid(), kConnectFailed), 0);

    ASSERT_TRUE(navstart.waitForEvent("poke", kBoxWaitMs));
    pumpMessages(500);  // the conversation ends after the poke is answered
    EXPECT_TRUE(navstart.running());
    // Wine's DDE client takes a refused poke for a success; Windows reports it.
    if (!runningUnderWine()) {
        EXPECT_EQ(debug().countFromProcess(navstart.pid(), kTransactionFailed), 1);
    }

    EXPECT_EQ(boxes().boxes().size(), 1u);
    EXPECT_EQ(boxes().countFromProcess(netscape.pid()), 1);
    EXPECT_EQ(shared().warned, 0u);
}

TEST_F(Hook, AConversationThatFindsNoBrowserLeavesTheWarningStanding) {
    FakeBrowser silent("netscp6.exe", "--no-dde");
    ASSERT_TRUE(boxes().waitForBox(silent.pid(), kBoxWaitMs));
    ASSERT_TRUE(silent.waitForEvent("created", kEventWaitMs));

    // Each recognised window, and each explicit kill, tries once.
    WindowShape shape;
    shape.module = moduleNamed("NETSCAPE.EXE");
    shape.pumpMs = kQuietMs;
    WindowThread window(shape);
    KillThread netscapeKill(1, kQuietMs);
    KillThread operaKill(2, kQuietMs);

    EXPECT_TRUE(debug().waitFromProcess(silent.pid(), kConnectFailed, kBoxWaitMs));
    window.join();
    netscapeKill.join();
    operaKill.join();
    EXPECT_EQ(debug().countFromProcess(silent.pid(), kConnectFailed), 1);
    EXPECT_EQ(debug().countFromThread(window.tid(), kConnectFailed), 1);
    EXPECT_EQ(debug().countFromThread(netscapeKill.tid(), kConnectFailed), 1);
    EXPECT_EQ(debug().countFromThread(operaKill.tid(), kConnectFailed), 1);
    EXPECT_TRUE(silent.running());

    EXPECT_EQ(shared().warned, 1u);
    EXPECT_EQ(boxes().boxes().size(), 1u);
    // Still warned: a further browser window brings no box.
    WindowShape another;
    another.module = moduleNamed("opera.exe");
    WindowThread later(another);
    later.join();
    EXPECT_EQ(boxes().countFromThread(later.tid()), 0);
}

TEST_F(Hook, UnrecognisedWindowsAndUnknownKindsStartNoConversation) {
    // The one recognised browser shows that the hook reaches these
    // processes at all.
    FakeBrowser control("netscape.exe", "--no-dde");
    ASSERT_TRUE(boxes().waitForBox(control.pid(), kBoxWaitMs));
    std::vector<std::unique_ptr<FakeBrowser>> others;
    for (const char* args : {"--no-dde --child", "--no-dde --owned", "--no-dde --unnamed"}) {
        others.push_back(std::make_unique<FakeBrowser>("netscape.exe", args));
    }
    others.push_back(std::make_unique<FakeBrowser>("opera.com", "--no-dde"));
    KillThread none(0, kQuietMs);
    KillThread three(3, kQuietMs);

    for (auto& fake : others) ASSERT_TRUE(fake->waitForEvent("created", kEventWaitMs));
    EXPECT_TRUE(debug().waitFromProcess(control.pid(), kConnectFailed, kBoxWaitMs));
    none.join();
    three.join();
    for (auto& fake : others) waitOutTimers(*fake);
    for (auto& fake : others) {
        EXPECT_EQ(debug().countFromProcess(fake->pid(), kConnectFailed), 0);
        EXPECT_EQ(boxes().countFromProcess(fake->pid()), 0);
        EXPECT_TRUE(fake->running());
    }
    EXPECT_EQ(debug().countFromThread(none.tid(), kConnectFailed), 0);
    EXPECT_EQ(debug().countFromThread(three.tid(), kConnectFailed), 0);
}

TEST_F(Hook, WithFilteringOffRecognisedBrowsersAreLeftAlone) {
    THFilterOn(false);
    FakeBrowser netscape("netscape.exe", "--no-dde");
    WindowShape shape;
    shape.module = moduleNamed("NETSCAPE.EXE");
    shape.pumpMs = kQuietMs;
    WindowThread window(shape);
    ASSERT_TRUE(netscape.waitForEvent("created", kEventWaitMs));
    window.join();
    waitOutTimers(netscape);

    EXPECT_TRUE(boxes().boxes().empty());
    EXPECT_EQ(shared().warned, 0u);
    EXPECT_EQ(debug().countFromProcess(netscape.pid(), kConnectFailed), 0);
    EXPECT_EQ(debug().countFromThread(window.tid(), kConnectFailed), 0);
    EXPECT_TRUE(netscape.running());

    THFilterOn(true);
    EXPECT_TRUE(warnsAbout("NETSCAPE.EXE"));
}

TEST_F(Hook, UninitializeRemovesTheHookAndAnInstallerThatEndsLeavesNoStaleHandle) {
    THUninitialize();
    EXPECT_EQ(shared().hook, 0u);
    EXPECT_FALSE(warnsAbout("NETSCAPE.EXE"));

    // A process that installs the hook and ends takes its hook with it, and
    // its record too, so the next initialisation installs a new one.
    FakeBrowser installer("hook_installer.exe");
    EXPECT_EQ(installer.waitForExit(10000), 0u);
    EXPECT_EQ(shared().hook, 0u);

    EXPECT_EQ(THInitialize(nullptr), g_env->messageId);
    EXPECT_NE(shared().hook, 0u);
    EXPECT_TRUE(warnsAbout("NETSCAPE.EXE"));
}

}  // namespace
}  // namespace tb::hook::test
