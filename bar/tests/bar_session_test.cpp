// The bar end to end under Wine: tbbar.dll registered with regsvr32 and
// shown by the browser host as the browser shows an explorer bar, its page
// in the host's web browser control, the main window's pages from the
// host's table. Each case runs one host session and reads its lines.
#include <windows.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tools/browser_host/tests/plugin_programs.h"
#include "common/vendor_endpoints.h"

using tb::host::testing::readLines;
using tb::host::testing::regsvr32;
using tb::host::testing::runProgram;
using tb::host::testing::windowsPath;
using tb::host::Command;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

constexpr char kBar[] = "{D691CF40-D7B8-11d2-8BDD-0000C0301BE5}";
const std::string kMain = tb::vendor::kMainBarPage;
const std::string kNav = tb::vendor::kNavPage;
const std::string kAd = tb::vendor::kMicroAdPage;
const std::string kReferrer = tb::vendor::kReferrerPage;

struct Session {
    std::vector<Command> out;
    DWORD exitCode = 0;

    std::vector<Command> lines(const std::string& kind, const std::string& window = "main") const {
        std::vector<Command> found;
        for (const Command& c : out) {
            if (c.name == kind && !c.words.empty() && c.words[0] == window) found.push_back(c);
        }
        return found;
    }
    // "call [url=...] [frame=...]" of what the band asked of its control.
    std::vector<std::string> barCalls(const std::string& window = "main") const {
        return calls("barview", window);
    }
    // What the band asked of the main window's browser.
    std::vector<std::string> windowCalls(const std::string& window = "main") const {
        return calls("browser", window);
    }
    // "url result" of every navigation of the bar's control.
    std::vector<std::string> barNavigations(const std::string& window = "main") const {
        std::vector<std::string> found;
        for (const Command& c : lines("barnav", window)) {
            std::string r = c.option("url").value_or("?") + " " + c.option("result").value_or("?");
            if (auto frame = c.option("frame")) r += " frame=" + *frame;
            found.push_back(r);
        }
        return found;
    }
    // Line i of a kind, or an empty command when there are fewer.
    Command nth(const std::string& kind, size_t i, const std::string& window = "main") const {
        const auto all = lines(kind, window);
        return i < all.size() ? all[i] : Command{};
    }
    Command last(const std::string& kind, const std::string& window = "main") const {
        const auto all = lines(kind, window);
        return all.empty() ? Command{} : all.back();
    }
    int count(const std::string& kind, const std::string& call,
              const std::string& window = "main") const {
        int n = 0;
        for (const std::string& c : calls(kind, window)) n += c == call;
        return n;
    }
    // Every line, for a failure's message.
    std::string transcript() const {
        std::string text;
        for (const Command& c : out) {
            text += c.name;
            for (const std::string& w : c.words) text += " " + w;
            for (const auto& [k, v] : c.options) text += " " + k + "=" + v;
            text += "\n";
        }
        return text;
    }
    std::vector<std::string> errors() const {
        std::vector<std::string> found;
        for (const Command& c : out) {
            if (c.name == "error") found.push_back(c.option("what").value_or("?"));
        }
        return found;
    }

  private:
    std::vector<std::string> calls(const std::string& kind, const std::string& window) const {
        std::vector<std::string> found;
        for (const Command& c : lines(kind, window)) {
            std::string s = c.option("call").value_or("?");
            for (const char* key : {"url", "frame", "headers"}) {
                if (auto v = c.option(key)) s += std::string(" ") + key + "=" + *v;
            }
            found.push_back(s);
        }
        return found;
    }
};

class BarSession : public ::testing::Test {
  public:
    static void SetUpTestSuite() { ASSERT_EQ(regsvr32(windowsPath(TB_BAR_DLL)), 0u); }

  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::wstring(temp) + L"tbbar_" + tb::toWide(info->name());
        CreateDirectoryW(dir_.c_str(), nullptr);
    }
    void TearDown() override {
        DeleteFileW((dir_ + L"\\host.txt").c_str());
        DeleteFileW((dir_ + L"\\out.txt").c_str());
        RemoveDirectoryW(dir_.c_str());
    }

    // The bar's pages and two ordinary ones, then the script.
    Session session(const std::string& script, const std::wstring& hostArgs = L"--no-helpers") {
        const std::string pages = "page " + kMain + " title=Bar frame=" + kAd + "\n" + "page " +
                                  kAd + " title=Advertisement\n" + "page " + kNav +
                                  " title=Navigation\n" +
                                  "page http://kids.example/ title=Kids\n"
                                  "page http://school.example/ title=School\n";
        const std::wstring hostFile = dir_ + L"\\host.txt", outFile = dir_ + L"\\out.txt";
        std::ofstream(hostFile.c_str(), std::ios::binary) << pages << script;
        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE out = CreateFileW(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                 CREATE_ALWAYS, 0, nullptr);
        Session s;
        const bool finished =
            runProgram(L"\"" + windowsPath(TB_HOST_EXE) + L"\" --bands --timeout=60 " + hostArgs +
                           L" --script=\"" + hostFile + L"\"",
                       &s.exitCode, out, 180000);
        CloseHandle(out);
        EXPECT_TRUE(finished) << "the host hung";
        s.out = readLines(outFile);
        return s;
    }
    static std::string showBar(const std::string& window = "main") {
        return "explorerbar " + window + " " + kBar + "\n";
    }

    std::wstring dir_;
};

TEST_F(BarSession, TheBrowserAddsTheBandWhichShowsTheBarPageWithItsAdvertisementPane) {
    const Session s = session("window main\n" + showBar() +
                              "bandstate main\n"
                              "barstate main\n");
    ASSERT_EQ(s.lines("band").size(), 4u);
    EXPECT_EQ(s.nth("band", 0).option("event"), "created");
    EXPECT_EQ(s.nth("band", 0).option("hr"), "0x00000000");
    const Command info = s.nth("band", 1);
    EXPECT_EQ(info.option("min"), "10x60");
    EXPECT_EQ(info.option("max"), "-1x60");
    EXPECT_EQ(info.option("integral"), "1x1");
    EXPECT_EQ(info.option("actual"), "0x60");
    EXPECT_EQ(info.option("modeflags"), "8");
    EXPECT_EQ(info.option("background"), "site");
    EXPECT_EQ(s.nth("band", 2).option("event"), "shown");
    EXPECT_EQ(s.nth("band", 3).option("event"), "closed") << "with the host's window";

    const Command window = s.last("bandstate");
    EXPECT_EQ(window.option("class"), "OrvanBarClass");
    EXPECT_EQ(window.option("child"), "1") << "a child of the band site's window";
    EXPECT_EQ(window.option("visible"), "1");
    EXPECT_EQ(window.option("border"), "1");
    EXPECT_EQ(window.option("classstyle"), "0x4003");
    EXPECT_EQ(window.option("background"), "0x00c000ff");

    EXPECT_THAT(s.barCalls(), ElementsAre("Navigate url=" + kMain));
    EXPECT_THAT(s.barNavigations(), ElementsAre(kMain + " shown"));
    const Command bar = s.last("barstate");
    EXPECT_EQ(bar.option("url"), kMain);
    EXPECT_EQ(bar.option("frame1"), kAd);
    EXPECT_EQ(s.exitCode, 0u);
}

TEST_F(BarSession, ALinkInTheBarOpensInTheMainWindowWithTheReferrerAndTheBarKeepsItsPage) {
    const Session s = session(
        "window main\n"
        "navigate main http://kids.example/\n" +
        showBar() +
        "barclick main http://school.example/\n"
        "barstate main\n"
        "state main\n");
    EXPECT_THAT(s.windowCalls(),
                ElementsAre("Stop", "Navigate url=http://school.example/ headers=" + kReferrer));
    EXPECT_EQ(s.last("state").option("url"), "http://school.example/");
    EXPECT_EQ(s.barNavigations().back(), "http://school.example/ cancelled");
    EXPECT_EQ(s.last("barstate").option("url"), kMain);
    EXPECT_EQ(s.last("barbefore").option("cancel"), "1");
}

TEST_F(BarSession, ALinkInTheNavigationPageAlsoOpensInTheMainWindow) {
    const Session s = session("window main\n" + showBar() + "barclick main " + kNav + "\n" +
                              "barclick main http://kids.example/\n"
                              "barstate main\n");
    EXPECT_THAT(s.windowCalls(),
                ElementsAre("Stop", "Navigate url=http://kids.example/ headers=" + kReferrer));
    EXPECT_EQ(s.last("barstate").option("url"), kNav);
}

TEST_F(BarSession, LinksToTheNavigationPageOrTheMainBarPageStayInTheBar) {
    const Session s = session("window main\n" + showBar() + "barclick main " + kNav + "\n" +
                              "barstate main\n"
                              "barclick main " +
                              kMain + "\n" + "barstate main\n");
    EXPECT_THAT(s.windowCalls(), IsEmpty());
    EXPECT_THAT(s.barNavigations(),
                ElementsAre(kMain + " shown", kNav + " shown", kMain + " shown"));
    EXPECT_EQ(s.nth("barstate", 0).option("url"), kNav);
    EXPECT_EQ(s.nth("barstate", 1).option("url"), kMain);
}

TEST_F(BarSession, AMainWindowNavigationFromAnOrdinaryPageIsNeverTouched) {
    const Session s = session("window main\n" + showBar() +
                              "navigate main http://kids.example/\n"
                              "navigate main http://school.example/\n");
    for (const Command& before : s.lines("before")) EXPECT_EQ(before.option("cancel"), "0");
    EXPECT_THAT(s.windowCalls(), IsEmpty());
    const auto navs = s.lines("nav");
    ASSERT_EQ(navs.size(), 2u);
    EXPECT_EQ(navs[1].option("result"), "shown");
}

TEST_F(BarSession, AMainWindowShowingTheBarPageSendsItsLinksOnOnceWithoutLooping) {
    const Session s = session("window main\n" + showBar() + "navigate main " + kMain + "\n" +
                              "navigate main http://kids.example/\n"
                              "state main\n");
    // The window's own calls: the bar page's advertisement frame, shown in
    // the main window, is the bar's advertisement pane meanwhile.
    std::vector<std::string> windowOwn;
    for (const std::string& call : s.windowCalls()) {
        if (call.find(" frame=") == std::string::npos) windowOwn.push_back(call);
    }
    EXPECT_THAT(windowOwn,
                ElementsAre("Stop", "Navigate url=http://kids.example/ headers=" + kReferrer));
    EXPECT_EQ(s.last("state").option("url"), "http://kids.example/");
    EXPECT_EQ(s.lines("nav").back().option("result"), "shown");
    EXPECT_THAT(s.errors(), IsEmpty());
}

TEST_F(BarSession, AnErrorPageInTheBarReloadsTheMainBarPage) {
    const Session s = session("page " + kNav + " unreachable\n" + "window main\n" + showBar() +
                              "barclick main " + kNav + "\n" + "barstate main\n" +
                              "barclick main about:NavigationCanceled\n"
                              "barstate main\n");
    EXPECT_THAT(s.barCalls(), ElementsAre("Navigate url=" + kMain, "Navigate url=" + kMain,
                                          "Navigate url=" + kMain));
    EXPECT_THAT(s.barNavigations(),
                ElementsAre(kMain + " shown", kNav + " replaced", kMain + " shown",
                            "about:NavigationCanceled replaced", kMain + " shown"));
    EXPECT_EQ(s.nth("barstate", 0).option("url"), kMain);
    EXPECT_EQ(s.nth("barstate", 1).option("url"), kMain);
    EXPECT_THAT(s.windowCalls(), IsEmpty());
}

TEST_F(BarSession, AnErrorPageOfTheAdvertisementPaneIsLeftAlone) {
    const Session s =
        session("page " + kAd + " unreachable\n" + "window main\n" + showBar() + "barstate main\n");
    EXPECT_THAT(s.barCalls(), ElementsAre("Navigate url=" + kMain)) << "no reload";
    const std::string pane = s.last("barstate").option("frame1").value_or("");
    EXPECT_EQ(pane.rfind("res://", 0), 0u) << pane;
    EXPECT_NE(pane.find(kAd), std::string::npos);
}

TEST_F(BarSession, ElevenPagesRefreshTheBarOnceAndTheAdvertisementPaneAfterEveryPage) {
    std::string script = "window main\n" + showBar();
    for (int i = 0; i < 11; ++i)
        script +=
            std::string("navigate main http://") + (i % 2 ? "school" : "kids") + ".example/\n";
    const Session s = session(script);
    EXPECT_EQ(s.count("barview", "Refresh frame=1"), 11);
    EXPECT_EQ(s.count("barview", "Stop frame=1"), 11);
    EXPECT_EQ(s.count("barview", "Refresh"), 1);
    EXPECT_EQ(s.count("barview", "Stop"), 1);
    // The whole bar is refreshed after the tenth page, the pane after each.
    std::vector<std::string> refreshes;
    for (const Command& c : s.out) {
        if (c.name == "nav") refreshes.push_back("page");
        if (c.name == "barview" && c.option("call") == "Refresh")
            refreshes.push_back(c.option("frame") ? "pane" : "bar");
    }
    ASSERT_EQ(refreshes.size(), 23u);
    EXPECT_EQ(refreshes[18], "pane");
    EXPECT_EQ(refreshes[19], "bar");
    EXPECT_EQ(refreshes[20], "page");
}

TEST_F(BarSession, EveryBarOfTheBrowserProcessCountsOnTheSameCounter) {
    std::string script = "window a\nwindow b\n" + showBar("a") + showBar("b");
    for (int i = 0; i < 6; ++i) script += "navigate a http://kids.example/\n";
    for (int i = 0; i < 4; ++i) script += "navigate b http://school.example/\n";
    const Session s = session(script);
    EXPECT_EQ(s.count("barview", "Refresh", "a"), 0);
    EXPECT_EQ(s.count("barview", "Refresh", "b"), 1) << "the process's tenth page was b's";
    EXPECT_EQ(s.count("barview", "Refresh frame=1", "a"), 6);
    EXPECT_EQ(s.count("barview", "Refresh frame=1", "b"), 4);
}

TEST_F(BarSession, TheBandSiteOpensNoContextMenuAndTheBandHandsTheFocusBack) {
    const Session s = session(
        "window main\n"
        "rightclick main\n" +
        showBar() +
        "rightclick main\n"
        "bandfocus main\n");
    std::vector<std::string> events;
    for (const Command& c : s.lines("window")) events.push_back(c.option("event").value_or("?"));
    EXPECT_THAT(events, ElementsAre("opened", "contextmenu", "closed"));
    ASSERT_EQ(s.lines("band").size(), 5u);
    EXPECT_EQ(s.nth("band", 3).option("event"), "focus");
    EXPECT_EQ(s.nth("band", 3).option("focus"), "0");
    EXPECT_EQ(s.nth("band", 4).option("event"), "closed");
}

TEST_F(BarSession, TheBarIsHiddenShownAgainAndClosedWithItsWindow) {
    const Session s = session("window main\n" + showBar() + "explorerbar main " + kBar + " 0\n" +
                              "bandstate main\n" + showBar() + "bandstate main\n" +
                              "close main\n"
                              "window other\n"
                              "navigate other http://kids.example/\n");
    std::vector<std::string> events;
    for (const Command& c : s.lines("band")) events.push_back(c.option("event").value_or("?"));
    EXPECT_THAT(events, ElementsAre("created", "info", "shown", "hidden", "shown", "closed"));
    EXPECT_EQ(s.nth("bandstate", 0).option("visible"), "0");
    EXPECT_EQ(s.nth("bandstate", 1).option("visible"), "1");
    EXPECT_THAT(s.barCalls(), ElementsAre("Navigate url=" + kMain)) << "made once";
    EXPECT_THAT(s.errors(), IsEmpty());
    EXPECT_EQ(s.exitCode, 0u);
}

// With the browser helper in the window (talking to a fake of the service
// that allows everything), as the browser runs them together.
class BarWithHelper : public BarSession {
  public:
    static void SetUpTestSuite() {
        BarSession::SetUpTestSuite();
        quit_ = CreateEventW(nullptr, TRUE, FALSE, L"TamberlyFakeLogQuit");
        DWORD code = 99;
        runProgram(L"\"" + windowsPath(TB_FAKE_SERVICE_EXE) + L"\" /regserver", &code);
        ASSERT_EQ(code, 0u);
        ASSERT_EQ(regsvr32(windowsPath(TB_HELPER_DLL)), 0u);
    }
    static void TearDownTestSuite() {
        regsvr32(windowsPath(TB_HELPER_DLL), true);
        CloseHandle(quit_);
    }

  protected:
    // The service's calls of the session, after its servers have ended.
    Session sessionWithService(const std::string& script, std::vector<std::string>& calls) {
        const std::wstring callLog = dir_ + L"\\calls.txt";
        const std::wstring noScript = dir_ + L"\\none.txt";
        DeleteFileW(callLog.c_str());
        for (const auto& [name, value] : {std::pair{L"Script", noScript}, {L"CallLog", callLog}}) {
            RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\TamberlyTest\\FakeLog", name, REG_SZ,
                            value.c_str(), static_cast<DWORD>((value.size() + 1) * 2));
        }
        ResetEvent(quit_);
        Session s = session(script, L"");
        SetEvent(quit_);
        for (const Command& line : readLines(callLog)) {
            if (line.words.empty()) continue;
            if (line.words[0] == "start") {
                if (HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, std::stoul(line.name))) {
                    WaitForSingleObject(p, 60000);
                    CloseHandle(p);
                }
            } else {
                calls.push_back(line.words[0] + (line.words.size() > 1 ? " " + line.words[1] : ""));
            }
        }
        ResetEvent(quit_);
        DeleteFileW(callLog.c_str());
        return s;
    }

    static HANDLE quit_;
};
HANDLE BarWithHelper::quit_ = nullptr;

TEST_F(BarWithHelper, TheHelperShowsTheBarOnWebPagesAndHidesItOnOthers) {
    std::vector<std::string> calls;
    const Session s = sessionWithService(
        "window main\n"
        "navigate main http://kids.example/\n"
        "navigate main about:blank\n"
        "navigate main http://school.example/\n"
        "barclick main http://kids.example/\n"
        "state main\n",
        calls);
    std::vector<std::string> events;
    for (const Command& c : s.lines("band")) events.push_back(c.option("event").value_or("?"));
    ASSERT_THAT(events, ElementsAre("created", "info", "shown", "hidden", "shown", "shown",
                                    "hidden", "closed"))
        << s.transcript();
    EXPECT_EQ(s.nth("band", 0).option("hr"), "0x00000000");
    // The link followed in the bar is judged by the service like any other.
    EXPECT_EQ(s.last("state").option("url"), "http://kids.example/");
    int judged = 0;
    for (const std::string& call : calls) judged += call == "FilterURL http://kids.example/";
    EXPECT_EQ(judged, 2);
    EXPECT_THAT(s.errors(), IsEmpty());
}

}  // namespace
