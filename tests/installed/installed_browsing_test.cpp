// The child's browsing with the product as the installer leaves it: the
// browser host plays the browser with the registered helper, the installed
// service judges every page, and the test acts as the parent through the
// service between the child's navigations.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <memory>
#include <regex>
#include <string>
#include <vector>

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "common/tbserv.h"
#include "common/vendor_endpoints.h"
#include "tests/installed/installed_product.h"
#include "tests/installed/interactive_host.h"

namespace tb {
namespace {

using host::HostOutput;
using Microsoft::WRL::ComPtr;
using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Each;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;
using ::testing::SizeIs;
using ::testing::StartsWith;
using testing::windowsPath;

using namespace installed;

constexpr char kBlockPage[] = "restricted1.htm";
constexpr char kWordPage[] = "restricted3.htm";
constexpr char kNews[] = "http://www.news.example/today.htm";
constexpr char kSchool[] = "http://www.school.example/homework.htm";
constexpr char kCasino[] = "http://www.royal-casino.example/poker/tables.htm";
constexpr char kFun[] = "http://www.fun.example/";
constexpr char kFile[] = "file:///C:/windows/win.ini";
constexpr char kVendorPage[] = "http://www.orvan.com/tamberly/help.htm";
constexpr char kProductKey[] = "Software\\Quillmoor\\TamberlyIE";

// The pages the host serves, with the sample lists' verdicts in mind.
std::string pages() {
    const std::vector<std::pair<std::string, std::string>> table = {
        {kNews, "title=\"Today's news\""},
        {kSchool, "title=\"Homework\""},
        {kCasino, "title=\"Poker tables\""},  // a gambling site
        {kFun, "title=\"Fun and games\" meta.keywords=\"jackpotking, slots\""},
        {"http://www.fireworks.example/shop.htm", "title=\"Rockets for sale\""},
        {"http://forum.example/jackpotking-tips.htm", "title=\"Tips\""},
        {"http://www.garden.example/", "title=\"The tulipmania garden\""},
        {"http://www.garden.example/tulips.htm", "title=\"More tulipmania\""},
        {kVendorPage, "title=\"Help\""},
        {vendor::kUpdateErrorPage, "title=\"Update error\""},
    };
    std::string lines;
    for (const auto& [url, fields] : table) lines += "page " + url + " " + fields + "\n";
    return lines;
}

// The number a warning showed, and whether it counted minutes; nullopt for
// any other text.
struct Shown {
    int number;
    bool minutes;
};
std::optional<Shown> shownNumber(const std::string& text) {
    static const std::regex warning("You have (\\d+) (minutes|seconds) remaining on your browsing time\\.");
    std::smatch m;
    if (!std::regex_match(text, m, warning)) return std::nullopt;
    return Shown{std::stoi(m[1]), m[2] == "minutes"};
}

const char kDailyMaximum[] =
    "You have reached your maximum number of browsing hours for today.\nTamberly will now close "
    "your browser and Internet access will be blocked.";
const char kNotAnAllowedHour[] =
    "This is not an authorized time of day for browsing.\nTamberly will now close your browser "
    "and Internet access will be blocked.";

class InstalledBrowsing : public InstalledProduct {
  protected:
    // Whatever a case changed, the next one starts with filtering on, no
    // limit on the hours, the computer's clock and a running service.
    void TearDown() override {
        MoveFileA((kProduct + "tbserv.away").c_str(), (kProduct + "tbserv.exe").c_str());
        setDaytimePort(9);
        if (!connect()) return;
        ScopedBstr any(L"*");
        VARIANT_BOOL on = 0;
        log->TBOn(any.get(), &on);
        everyDay(24, true);
    }

    // The parent's settings come through IManagerData of the same object.
    bool connect() override {
        manager.Reset();
        return InstalledProduct::connect() && log.As(&manager) == S_OK;
    }
    // Ends the service in order; the next client starts it again.
    void endServiceNow() {
        manager.Reset();
        log.Reset();
        EXPECT_TRUE(endService());
    }

    std::unique_ptr<InteractiveHost> browser(const std::string& firstLines) {
        // The host of the other bitness ends a service of that bitness.
        auto host = std::make_unique<InteractiveHost>(
            windowsPath(TB_HOST_EXE),
            "--other-bitness-host=\"" + windowsPath(TB_OTHER_HOST_EXE) + "\"");
        host->send(pages() + firstLines);
        return host;
    }

    // The parent's settings for all seven days: the daily allowance (24: no
    // limit) and whether every hour is an allowed one.
    void everyDay(short hours, bool everyHourAllowed) {
        SAFEARRAY* array = SafeArrayCreateVector(VT_I2, 0, 24);
        short* values = nullptr;
        SafeArrayAccessData(array, reinterpret_cast<void**>(&values));
        for (int h = 0; h < 24; ++h) values[h] = everyHourAllowed ? 1 : 0;
        SafeArrayUnaccessData(array);
        VARIANT list;
        VariantInit(&list);
        list.vt = VT_ARRAY | VT_I2;
        list.parray = array;
        for (int d = 0; d < 7; ++d) {
            EXPECT_EQ(manager->SetAccessHours(static_cast<eDAY>(d), &list), S_OK);
            EXPECT_EQ(manager->SetTotalHours(static_cast<eDAY>(d), hours), S_OK);
        }
        VariantClear(&list);
    }
    // An address on the parent's block list; the address as the service
    // keeps it.
    std::string blockAddress(const std::string& address) {
        BSTR url = newBstr(address);
        VARIANT_BOOL entire = 0, allow = 0;
        EXPECT_EQ(log->AddURL(&url, &entire, &allow), S_OK);
        const std::string kept = toAnsi(url);
        SysFreeString(url);
        return kept;
    }
    void removeAddress(const std::string& kept) {
        ScopedBstr url(toWide(kept).c_str());
        EXPECT_EQ(log->RemoveURL(url.get()), S_OK);
    }
    // Filtering switched with the parent's password, or on again with "*".
    VARIANT_BOOL filterSwitch(const wchar_t* password) {
        ScopedBstr text(password);
        VARIANT_BOOL on = 0;
        EXPECT_EQ(log->TBOn(text.get(), &on), S_OK);
        return on;
    }
    // What the service answers the helper about time: seconds left, err.
    std::pair<long, long> timedAccess() {
        LONG left = 0, err = 0;
        EXPECT_EQ(log->CheckTimedAccess(&left, &err), S_OK);
        return {left, err};
    }

    ComPtr<IManagerData> manager;
};

// The BeforeNavigate2 line of one address: the block page's own comes first,
// as the helper navigates there from within the event.
std::optional<host::Command> beforeOf(const HostOutput& out, const std::string& url) {
    for (const host::Command& c : out.lines("before")) {
        if (c.option("url") == url) return c;
    }
    return std::nullopt;
}

bool redirectedTo(const std::vector<std::string>& results, const std::string& page) {
    return results.size() == 1 && results[0].rfind("redirected ", 0) == 0 &&
           results[0].find(page) != std::string::npos;
}

TEST_F(InstalledBrowsing, EachNavigationIsJudgedByTheParentsListsAndTheSampleLists) {
    const std::string fireworks = blockAddress("http://www.fireworks.example/shop.htm");
    auto host = browser("window main");

    const HostOutput allowed = host->send(std::string("navigate main ") + kNews);
    EXPECT_THAT(allowed.results(), ElementsAre("shown")) << host->transcript();
    EXPECT_THAT(allowed.browserCalls(), Contains("ShowBrowserBar show=1"));

    const HostOutput listed = host->send("navigate main http://www.fireworks.example/shop.htm");
    EXPECT_TRUE(redirectedTo(listed.results(), kBlockPage)) << host->transcript();
    const auto before = beforeOf(listed, "http://www.fireworks.example/shop.htm");
    ASSERT_TRUE(before.has_value()) << host->transcript();
    EXPECT_EQ(before->option("cancel"), "1");
    EXPECT_EQ(before->option("hr"), "0x00000000");
    const std::vector<std::string> calls = listed.browserCalls();
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[0], "Stop");
    EXPECT_THAT(calls[1], ::testing::AllOf(StartsWith("Navigate url="), HasSubstr(kBlockPage)));

    // A blocked word in the address, a category site, and a page whose
    // keywords hold a category's word.
    EXPECT_TRUE(redirectedTo(host->send("navigate main http://forum.example/jackpotking-tips.htm")
                                 .results(),
                             "restricted"))
        << host->transcript();
    EXPECT_TRUE(redirectedTo(host->send(std::string("navigate main ") + kCasino).results(),
                             kBlockPage))
        << host->transcript();
    EXPECT_TRUE(redirectedTo(host->send(std::string("navigate main ") + kFun).results(), kWordPage))
        << host->transcript();

    // The vendor's own pages and local files are shown.
    EXPECT_THAT(host->send(std::string("navigate main ") + kVendorPage).results(),
                ElementsAre("shown"));
    EXPECT_THAT(host->send(std::string("navigate main ") + kFile).results(), ElementsAre("shown"));
    EXPECT_EQ(host->finish(), 0u) << host->transcript();

    ScopedBstr visited(L"www.news.example/today.htm");
    VARIANT_BOOL inLog = 0;
    EXPECT_EQ(log->IsURLAllowed(visited.get(), &inLog), S_OK);
    EXPECT_EQ(inLog, 1) << "the allowed page is in the site log";
    ScopedVariant blocked;
    ASSERT_EQ(manager->GetBlockedLog(blocked.receive()), S_OK);
    const auto blockedSites = stringsFromVariant(blocked.get());
    ASSERT_TRUE(blockedSites.has_value());
    EXPECT_THAT(*blockedSites, Contains(HasSubstr("fireworks.example")));
    removeAddress(fireworks);
}

// Window b holds a page that would fail the content check while window a
// learns that filtering is off, and later that it is on again.
// With the bar in the window, the helper and the band each answer every
// navigation, and each answer is reported on its own.
TEST_F(InstalledBrowsing, EachPlugInsAnswerToANavigationIsReportedOnItsOwn) {
    auto host = browser("bands on\nwindow main");
    EXPECT_THAT(host->send(std::string("navigate main ") + kNews).results(), ElementsAre("shown"))
        << host->transcript();
    const HostOutput again = host->send(std::string("navigate main ") + kNews);
    const auto before = beforeOf(again, kNews);
    ASSERT_TRUE(before.has_value()) << host->transcript();
    const std::string sinks = before->option("sinks").value_or("");
    EXPECT_THAT(sinks, ::testing::ContainsRegex("helper#\\d+=0x00000000")) << host->transcript();
    EXPECT_THAT(sinks, HasSubstr("band#")) << host->transcript();
}

TEST_F(InstalledBrowsing, FilteringOffLetsEverythingThroughInEveryWindowUntilItIsOnAgain) {
    ScopedBstr password(L"\xFE" L"secret");
    VARIANT_BOOL verified = 0;
    ASSERT_EQ(log->VerifyPassword(password.get(), &verified), S_OK);
    auto host = browser("window a\nwindow b");
    host->send(std::string("navigate a ") + kNews);
    host->send(std::string("navigate b ") + kFun + " hold");

    ASSERT_EQ(filterSwitch(L"secret"), 0) << "the parent's password switches filtering off";
    EXPECT_EQ(filterSwitch(L""), 0) << "an empty password only asks";
    const HostOutput off = host->send(std::string("navigate a ") + kCasino);
    EXPECT_THAT(off.results("a"), ElementsAre("shown")) << host->transcript();
    EXPECT_EQ(beforeOf(off, kCasino).value_or(host::Command{}).option("cancel"), "0");
    const HostOutput held = host->send("reveal b 100\nprogress b 50\nstate b");
    EXPECT_THAT(held.results("b"), IsEmpty()) << host->transcript();
    EXPECT_EQ(held.lines("state", "b").at(0).option("url"), kFun);

    ASSERT_NE(filterSwitch(L"*"), 0) << "on again, without the password";
    EXPECT_THAT(host->send(std::string("navigate a ") + kSchool).results("a"), ElementsAre("shown"));
    EXPECT_TRUE(redirectedTo(host->send("progress b 60").results("b"), kWordPage))
        << host->transcript();
    EXPECT_TRUE(redirectedTo(host->send(std::string("navigate a ") + kCasino).results("a"),
                             kBlockPage))
        << host->transcript();
}

TEST_F(InstalledBrowsing, APopUpWithoutMenuBarIsFilteredAndNeverShowsTheBar) {
    auto host = browser(std::string("window main\nnavigate main ") + kNews + "\nwindow pop menubar=0");
    const HostOutput pop = host->send(std::string("navigate pop ") + kCasino);
    EXPECT_TRUE(redirectedTo(pop.results("pop"), kBlockPage)) << host->transcript();
    EXPECT_THAT(host->send(std::string("navigate pop ") + kNews).results("pop"),
                ElementsAre("shown"));
    host->finish();
    const HostOutput all = host->all();
    EXPECT_THAT(all.browserCalls("pop"), Each(Not(HasSubstr("show=1"))));
    EXPECT_THAT(all.browserCalls("main"), Contains("ShowBrowserBar show=1"));
}

TEST_F(InstalledBrowsing, TimeUsedUpOrOutsideTheAllowedHoursClosesTheWindowButNotLocalPages) {
    everyDay(0, true);
    auto host = browser("window main");
    // Local pages are judged but never timed: no message, no closing.
    const HostOutput local = host->send(std::string("navigate main ") + kFile +
                                        "\nnavigate main about:blank"
                                        "\nnavigate main res://ieframe.dll/navcancl.htm");
    EXPECT_THAT(local.results(), ElementsAre("shown", "shown", "shown")) << host->transcript();
    EXPECT_THAT(local.boxes(), IsEmpty());

    const HostOutput used = host->send(std::string("navigate main ") + kNews);
    EXPECT_THAT(used.results(), ElementsAre("closed")) << host->transcript();
    EXPECT_THAT(used.boxes(), ElementsAre(kDailyMaximum));
    EXPECT_THAT(used.boxCaptions(), ElementsAre("Tamberly Timed Access"));
    EXPECT_THAT(used.browserCalls(), Contains("Quit"));

    everyDay(24, false);
    const HostOutput outside = host->send(std::string("window second\nnavigate second ") + kNews);
    EXPECT_THAT(outside.results("second"), ElementsAre("closed")) << host->transcript();
    EXPECT_THAT(outside.boxes(), ElementsAre(kNotAnAllowedHour));
}

TEST_F(InstalledBrowsing, AnAllowListedPageIsNotCheckedUntilTheNextDownload) {
    ScopedVariant before;
    ASSERT_EQ(manager->GetAllowedSites(before.receive()), S_OK);
    std::vector<std::string> sites = stringsFromVariant(before.get()).value_or(std::vector<std::string>{});
    sites.push_back("www.fun.example/");
    ScopedVariant allowed;
    ASSERT_EQ(variantFromStrings(sites, allowed.receive()), S_OK);
    ASSERT_EQ(manager->SetAllowedSites(allowed.get()), S_OK);

    auto host = browser("window main");
    const HostOutput first =
        host->send(std::string("navigate main ") + kFun + " hold\nreveal main 100\nprogress main 40");
    EXPECT_THAT(first.results(), IsEmpty()) << host->transcript();
    EXPECT_EQ(host->send("state main").lines("state").at(0).option("url"), kFun);
    // A new download within the page: the content is checked again.
    EXPECT_TRUE(redirectedTo(host->send("progress main 0\nprogress main 50").results(), kWordPage))
        << host->transcript();
    EXPECT_EQ(manager->SetAllowedSites(before.get()), S_OK);
}

TEST_F(InstalledBrowsing, APageWhoseTextDoesNotGrowIsNotSentAgain) {
    auto host = browser(
        "window main\nnavigate main http://www.garden.example/ hold\nreveal main 100\nprogress main 40");
    BSTR word = newBstr("tulipmania");
    VARIANT_BOOL added = 0;
    EXPECT_EQ(log->AddWordToBlock(word, &added), S_OK);
    // The word would block the page, but its text was judged already.
    const HostOutput same = host->send("progress main 60\nprogress main 80\nfinish main");
    EXPECT_THAT(same.results(), ElementsAre("shown")) << host->transcript();
    EXPECT_TRUE(redirectedTo(host->send("navigate main http://www.garden.example/tulips.htm").results(),
                             kWordPage))
        << "the word is in force: " << host->transcript();
    EXPECT_EQ(log->removeUserWord(word), S_OK);
    SysFreeString(word);
}

TEST_F(InstalledBrowsing, ListsThatWereNotLoadedSendTheWindowToTheVendorsPage) {
    HKEY product = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProductKey, 0,
                            KEY_READ | KEY_SET_VALUE | KEY_WOW64_64KEY, &product),
              ERROR_SUCCESS);
    DWORD usingProxy = 0, size = sizeof usingProxy;
    ASSERT_EQ(RegQueryValueExA(product, "usingProxy", nullptr, nullptr,
                               reinterpret_cast<BYTE*>(&usingProxy), &size),
              ERROR_SUCCESS);
    ASSERT_EQ(RegDeleteValueA(product, "usingProxy"), ERROR_SUCCESS);
    struct Restore {
        HKEY key;
        DWORD value;
        ~Restore() {
            RegSetValueExA(key, "usingProxy", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                           sizeof value);
            RegCloseKey(key);
            endService();
        }
    } restore{product, usingProxy};
    endServiceNow();
    ASSERT_TRUE(connect());
    BSTR url = nullptr;
    VARIANT_BOOL need = 0;
    EXPECT_EQ(log->needUpdate(&url, &need), S_OK);
    EXPECT_EQ(need, 1);
    const std::string page = url ? toAnsi(url) : "";
    SysFreeString(url);

    auto host = browser("window main");
    const HostOutput lost = host->send(std::string("navigate main ") + kNews);
    EXPECT_THAT(lost.results(), ElementsAre("redirected " + page)) << host->transcript();
    host->finish();
    manager.Reset();
    log.Reset();
}

TEST_F(InstalledBrowsing, AnUnreachableServiceSendsWebAddressesToTheUpdateErrorPage) {
    endServiceNow();
    ASSERT_TRUE(MoveFileA((kProduct + "tbserv.exe").c_str(), (kProduct + "tbserv.away").c_str()));
    auto host = browser("window main");
    const HostOutput lost = host->send(std::string("navigate main ") + kNews);
    EXPECT_THAT(lost.results(), ElementsAre(std::string("redirected ") + vendor::kUpdateErrorPage))
        << host->transcript();
    const auto before = beforeOf(lost, kNews);
    ASSERT_TRUE(before.has_value()) << host->transcript();
    EXPECT_EQ(before->option("cancel"), "1");
    EXPECT_EQ(before->option("hr"), "0x80004001");
    EXPECT_THAT(
        host->send(std::string("navigate main ") + kFile + "\nnavigate main " + kVendorPage).results(),
        ElementsAre("shown", "shown"));

    // A service program that ends before it registers (it crashed at start)
    // is not waited for: the window goes to the same page and keeps
    // answering, where it used to wait 15 seconds at every try.
    ASSERT_TRUE(CopyFileA(windowsPath(TB_ENDS_AT_ONCE_EXE).c_str(),
                          (kProduct + "tbserv.exe").c_str(), FALSE));
    auto fresh = browser("");
    EXPECT_THAT(fresh->send(std::string("window main\nnavigate main ") + kNews, 20000).results(),
                ElementsAre(std::string("redirected ") + vendor::kUpdateErrorPage))
        << fresh->transcript();
    fresh->finish();
    ASSERT_TRUE(DeleteFileA((kProduct + "tbserv.exe").c_str()));

    // Back in place: the next navigation finds the service again.
    ASSERT_TRUE(MoveFileA((kProduct + "tbserv.away").c_str(), (kProduct + "tbserv.exe").c_str()));
    EXPECT_TRUE(redirectedTo(host->send(std::string("navigate main ") + kCasino).results(),
                             kBlockPage))
        << host->transcript();
}

// The network clock moved by the host's daytime stand-in. Each jump ends the
// service, lets a navigation start it again on the computer's clock while its
// question waits, answers it with the time moved on, and navigates again: the
// jump counts as browsing. Each jump is worked out from what the service
// answers just before it, so that real seconds do not pile up; some always
// pass, so a band's warning is checked by its range, not its exact number.
class TimedBands : public InstalledBrowsing {
  protected:
    HostOutput jumpTo(InteractiveHost& host, long target) {
        EXPECT_TRUE(connect());
        const long left = timedAccess().first;
        return jumpBy(host, left - target);
    }
    HostOutput jumpBy(InteractiveHost& host, long seconds) {
        endServiceNow();
        return host.send(std::string("navigate main ") + kSchool + "\ndaytime answer " +
                         std::to_string(seconds) + " wait=30000\nsleep 1000\nnavigate main " +
                         kNews);
    }
};

TEST_F(TimedBands, WarningsComeOncePerBandOnTheWayDownAndStartOverOnANewDay) {
    // One hour a day, in a zone where it is about noon now: the day cannot
    // end during the case but by the clock's jump.
    std::tm utc{};
    const std::time_t now = std::time(nullptr);
    gmtime_s(&utc, &now);
    char zone[64];
    std::snprintf(zone, sizeof zone, "(GMT%+03d:00) Family time", 12 - utc.tm_hour);
    BSTR zoneText = newBstr(zone);
    EXPECT_EQ(manager->SetTimezoneString(&zoneText), S_OK);
    SysFreeString(zoneText);
    everyDay(1, true);

    auto host = browser("daytime listen 0");
    const auto listening = host->all().lines("daytime");
    ASSERT_FALSE(listening.empty()) << host->transcript();
    setDaytimePort(std::stoul(listening[0].option("port").value_or("0")));
    host->send(std::string("window main\nnavigate main ") + kNews);

    auto warnings = [&](const HostOutput& out) {
        std::vector<Shown> shown;
        for (const std::string& box : out.boxes()) {
            const std::optional<Shown> n = shownNumber(box);
            EXPECT_TRUE(n.has_value()) << box;
            if (n) shown.push_back(*n);
        }
        return shown;
    };
    auto expectOne = [&](const HostOutput& out, bool minutes, int low, int high) {
        const std::vector<Shown> shown = warnings(out);
        ASSERT_EQ(shown.size(), 1u) << host->transcript();
        EXPECT_EQ(shown[0].minutes, minutes);
        EXPECT_GE(shown[0].number, low);
        EXPECT_LE(shown[0].number, high);
    };

    EXPECT_THAT(warnings(jumpTo(*host, 31 * 60 + 30)), IsEmpty()) << "31 minutes: no warning yet";
    expectOne(jumpTo(*host, 25 * 60), true, 11, 30);
    EXPECT_THAT(warnings(host->send(std::string("navigate main ") + kSchool)), IsEmpty())
        << "one warning a band";
    expectOne(jumpTo(*host, 8 * 60), true, 5, 10);
    expectOne(jumpTo(*host, 90), true, 1, 5);
    expectOne(jumpTo(*host, 40), false, 1, 60);

    // A new day gives the whole hour again, and the bands start over.
    EXPECT_THAT(warnings(jumpBy(*host, 86400)), IsEmpty());
    ASSERT_TRUE(connect());
    EXPECT_GT(timedAccess().first, 3500);
    expectOne(jumpTo(*host, 25 * 60), true, 11, 30);

    // Used up: the message, and the window closes.
    const HostOutput used = jumpTo(*host, -5);
    EXPECT_THAT(used.boxes(), Contains(kDailyMaximum)) << host->transcript();
    EXPECT_THAT(used.results(), Contains("closed"));
}

// A crash (the process stops, the system cleans up after it) and an end by
// force (as Task Manager does it: nothing of the service runs again): in
// both, the next blocked address is blocked by a new service and the next
// allowed one shown. Last of the suite: after the end by force, Wine keeps
// the service's class registered to the dead process for the rest of the
// session, so that clients find the new service only in the running object
// table (InstalledProduct::connect).
TEST_F(InstalledBrowsing, AServiceEndedMidSessionIsStartedAgainByTheNextNavigation) {
    for (const char* how : {"crash", "kill"}) {
        auto host = browser(std::string("window main\nnavigate main ") + kNews);
        const std::vector<unsigned long> first = serverProcesses();
        ASSERT_THAT(first, SizeIs(1)) << how;
        manager.Reset();
        log.Reset();
        const HostOutput ended = host->send(std::string("process ") + how + " tbserv.exe");
        EXPECT_EQ(ended.lines("process").at(0).option("gone"), "1") << how << host->transcript();
        EXPECT_TRUE(
            redirectedTo(host->send(std::string("navigate main ") + kCasino).results(), kBlockPage))
            << how << host->transcript();
        const std::vector<unsigned long> second = serverProcesses();
        ASSERT_THAT(second, SizeIs(1)) << how;
        EXPECT_NE(second[0], first[0]) << how;
        EXPECT_THAT(host->send(std::string("navigate main ") + kNews).results(),
                    ElementsAre("shown"))
            << how;
        host->finish();
        ASSERT_TRUE(connect()) << how << ": the new service serves other clients too";
    }
}

}  // namespace
}  // namespace tb
