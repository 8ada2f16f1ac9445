// The watch hook of the installed product against fake browsers of each
// bitness that this Windows runs: on 64-bit Windows the service's own
// 64-bit hook and the 32-bit one set by its companion program, on 32-bit
// Windows the 32-bit service's hook. Each browser is warned once and told to
// exit while filtering is on, and left alone while it is off; the filter is
// switched through the service, as the parent does.
#include <windows.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "hook/tests/hook_test_support.h"
#include "tests/installed/installed_product.h"
#include "tools/browser_host/process_control.h"

namespace tb {
namespace {

using hook::test::FakeBrowser;
using hook::test::WarningBoxWatcher;
using testing::windowsIs64Bit;
using testing::windowsPath;

using namespace installed;

constexpr DWORD kBoxWaitMs = 30000;
constexpr DWORD kExitWaitMs = 45000;
// Longer than the hook's five-second kill timer.
constexpr DWORD kQuietMs = 7000;

// The fake Netscape of each bitness that runs here.
std::vector<std::string> fakeNetscapes() {
    std::vector<std::string> programs{windowsPath(TB_WIN32_TREE "/hook/netscape.exe")};
    if (windowsIs64Bit()) programs.push_back(windowsPath(TB_WIN64_TREE "/hook/netscape.exe"));
    return programs;
}

class InstalledHook : public InstalledProduct {
  protected:
    static void SetUpTestSuite() {
        InstalledProduct::SetUpTestSuite();
        watcher = new WarningBoxWatcher;
    }
    static void TearDownTestSuite() {
        delete watcher;
        watcher = nullptr;
        InstalledProduct::TearDownTestSuite();
    }
    void SetUp() override {
        InstalledProduct::SetUp();
        watcher->clear();
    }

    // The parent's password, set at the first switch; then TBOn with it
    // switches.
    bool switchFilter() {
        static const bool passwordSet = [this] {
            ScopedBstr none(L"");
            ScopedBstr marker(toWide(std::string(1, '\xFE') + "secret").c_str());
            VARIANT_BOOL ok = 0;
            log->VerifyPassword(none.get(), &ok);
            return log->VerifyPassword(marker.get(), &ok) == S_OK && ok;
        }();
        EXPECT_TRUE(passwordSet);
        ScopedBstr password(L"secret");
        VARIANT_BOOL on = 0;
        EXPECT_EQ(log->TBOn(password.get(), &on), S_OK);
        return on != 0;
    }

    static WarningBoxWatcher* watcher;
};
WarningBoxWatcher* InstalledHook::watcher = nullptr;

TEST_F(InstalledHook, OnSixtyFourBitWindowsTheServiceKeepsItsCompanionForThirtyTwoBitPrograms) {
    const size_t companions = host::processesNamed("tbhook32.exe").size();
    EXPECT_EQ(companions, windowsIs64Bit() ? 1u : 0u);
}

TEST_F(InstalledHook, BrowsersOfEveryBitnessAreLeftAloneWhileFilteringIsOffAndClosedWhenOn) {
    // Filtering off: no warning, no conversation, the browsers run on.
    ASSERT_FALSE(switchFilter());
    {
        std::vector<std::unique_ptr<FakeBrowser>> browsers;
        for (const std::string& program : fakeNetscapes())
            browsers.push_back(std::make_unique<FakeBrowser>(program));
        Sleep(kQuietMs);
        for (const auto& browser : browsers) {
            ASSERT_TRUE(browser->started());
            EXPECT_TRUE(browser->running());
            EXPECT_EQ(watcher->countFromProcess(browser->pid()), 0);
            EXPECT_TRUE(browser->ticks("poke").empty());
        }
    }

    // Back on: the switch reached every hook.
    ASSERT_TRUE(switchFilter());
    std::vector<std::unique_ptr<FakeBrowser>> browsers;
    for (const std::string& program : fakeNetscapes()) {
        browsers.push_back(std::make_unique<FakeBrowser>(program));
        // One at a time: the warned flag of each hook is its own.
        EXPECT_TRUE(watcher->waitForBox(browsers.back()->pid(), kBoxWaitMs)) << program;
        EXPECT_EQ(browsers.back()->waitForExit(kExitWaitMs), 0u) << program;
        EXPECT_EQ(watcher->countFromProcess(browsers.back()->pid()), 1) << program;
    }
}

// A companion ended by force (from the task list, say) is started again at
// once: 32-bit browsers are not left unwatched until the next switch.
TEST_F(InstalledHook, ACompanionThatHasGoneIsStartedAgainAtOnce) {
    if (!windowsIs64Bit()) GTEST_SKIP() << "32-bit Windows needs no companion";
    const std::vector<unsigned long> before = host::processesNamed("tbhook32.exe");
    ASSERT_EQ(before.size(), 1u);
    bool gone = false;
    host::endProcesses("tbhook32.exe", host::EndMode::Force, 10000, &gone);
    ASSERT_TRUE(gone);
    std::vector<unsigned long> after;
    for (int i = 0; i < 100 && after.empty(); ++i, Sleep(100))
        after = host::processesNamed("tbhook32.exe");
    ASSERT_EQ(after.size(), 1u) << "no companion again";
    EXPECT_NE(after[0], before[0]);
    FakeBrowser netscape(windowsPath(TB_WIN32_TREE "/hook/netscape.exe"));
    EXPECT_TRUE(watcher->waitForBox(netscape.pid(), kBoxWaitMs));
    EXPECT_EQ(netscape.waitForExit(kExitWaitMs), 0u);

    // And at the next switch as before, with the switch's state.
    EXPECT_FALSE(switchFilter());
    EXPECT_TRUE(switchFilter());
    EXPECT_EQ(host::processesNamed("tbhook32.exe").size(), 1u);
}

}  // namespace
}  // namespace tb
