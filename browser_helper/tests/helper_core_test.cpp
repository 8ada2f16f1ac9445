#include "browser_helper/helper_core.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "browser_helper/tests/helper_fakes.h"
#include "common/vendor_endpoints.h"

namespace tb::helper {
namespace {

using ::testing::ElementsAre;
using testing::FakeBrowser;
using testing::FakeDialogs;
using testing::FakeService;
using ::testing::IsEmpty;

constexpr char kPage[] = "http://kids.example/games";
constexpr char kBlockPage[] = "file:///C:/Tamberly/restricted1.htm";
const std::string kErrorPage = vendor::kUpdateErrorPage;

// One browser window with its helper; the browser raises BeforeNavigate2
// for every Navigate that the helper asks for, as the real one does.
struct Window {
    FakeService service;
    FakeBrowser browser;
    FakeDialogs dialogs;
    SharedState& shared;
    HelperCore helper{service, browser, shared, dialogs};
    std::vector<std::string> nestedUrls;

    explicit Window(SharedState& state) : shared(state) {
        browser.onNavigate = [this](const std::string& url) {
            nestedUrls.push_back(url);
            std::optional<bool> cancel;
            helper.beforeNavigate2(url, cancel);
        };
    }

    struct Outcome {
        EventResult result;
        std::optional<bool> cancel;
    };
    Outcome navigate(const std::string& url) {
        Outcome o;
        o.result = helper.beforeNavigate2(url, o.cancel);
        return o;
    }
    void clearCalls() {
        service.calls.clear();
        browser.calls.clear();
        nestedUrls.clear();
    }
};

class BeforeNavigate : public ::testing::Test {
  protected:
    SharedState shared;
    Window w{shared};
};

TEST_F(BeforeNavigate, AnAllowedWebAddressIsAskedInOrderAndGoesAhead) {
    const auto o = w.navigate(kPage);
    EXPECT_EQ(o.result, EventResult::handled());
    EXPECT_EQ(o.cancel, std::nullopt);
    EXPECT_THAT(w.service.calls,
                ElementsAre("AddRefCount", "TBOn", "needUpdate", "CheckTimedAccess",
                            std::string("FilterURL ") + kPage));
    EXPECT_THAT(w.browser.calls, IsEmpty());
    EXPECT_TRUE(w.helper.counted());
    EXPECT_TRUE(w.helper.webPage());
}

TEST_F(BeforeNavigate, ABlockedAddressIsCancelledStoppedAndSentToTheBlockPage) {
    w.service.filterQueue.push_back(FilterAnswer{0, 0, kBlockPage});
    const auto o = w.navigate(kPage);
    EXPECT_EQ(o.result, EventResult::handled());
    EXPECT_EQ(o.cancel, true);
    EXPECT_THAT(w.browser.calls, ElementsAre("Stop", std::string("Navigate ") + kBlockPage));
}

TEST_F(BeforeNavigate, NonWebAddressesAreNeverCountedOrTimedButStillFiltered) {
    for (const char* url : {"file:///C:/docs/a.htm", "about:blank", "res://ieframe.dll/x.htm"}) {
        w.clearCalls();
        const auto o = w.navigate(url);
        EXPECT_EQ(o.result, EventResult::handled()) << url;
        EXPECT_THAT(w.service.calls,
                    ElementsAre("TBOn", "needUpdate", std::string("FilterURL ") + url))
            << url;
        EXPECT_FALSE(w.helper.counted());
        EXPECT_FALSE(w.helper.webPage());
    }
    // A file address whose query holds a web address counts as web.
    w.clearCalls();
    w.navigate("file:///C:/a.htm?go=http://b.example/");
    EXPECT_EQ(w.service.count("AddRefCount"), 1);
    EXPECT_EQ(w.service.count("CheckTimedAccess"), 1);
}

TEST_F(BeforeNavigate, CountingFollowsTheWindowBetweenWebAndOtherAddresses) {
    w.navigate(kPage);
    w.navigate("http://other.example/");
    w.navigate("about:blank");
    w.navigate("file:///C:/x.htm");
    w.navigate(kPage);
    EXPECT_EQ(w.service.count("AddRefCount"), 2);
    EXPECT_EQ(w.service.count("DecRefCount"), 1);
    EXPECT_TRUE(w.helper.counted());
}

TEST_F(BeforeNavigate, AWindowWithoutMenuBarIsFilteredButNeverGetsTheBar) {
    w.browser.menuBarShown = false;
    w.service.filterQueue.push_back(FilterAnswer{0, 0, kBlockPage});
    const auto o = w.navigate(kPage);
    EXPECT_EQ(o.cancel, true);
    EXPECT_FALSE(w.helper.webPage());
    w.browser.calls.clear();
    w.helper.documentComplete();
    EXPECT_THAT(w.browser.calls, ElementsAre("ShowBrowserBar 0"));
}

TEST_F(BeforeNavigate, FilteringOffLetsEverythingThroughButStillCounts) {
    w.service.filterOn = 0;
    w.service.filterQueue.push_back(FilterAnswer{0, 0, kBlockPage});
    const auto o = w.navigate(kPage);
    EXPECT_EQ(o.result, EventResult::handled());
    EXPECT_EQ(o.cancel, std::nullopt);
    EXPECT_THAT(w.service.calls, ElementsAre("AddRefCount", "TBOn"));
    EXPECT_TRUE(shared.filterOff());
}

TEST_F(BeforeNavigate, FilteringOffStopsContentChecksInEveryWindowUntilFoundOnAgain) {
    Window other(shared);
    other.browser.doc = DocumentText{"http://b/", {"Poker"}};
    w.service.filterOn = 0;
    w.navigate(kPage);
    other.helper.progressChange(50, 100);
    other.helper.documentComplete();
    EXPECT_EQ(other.service.count("passesFilterList"), 0);

    w.service.filterOn = 1;
    w.navigate(kPage);
    EXPECT_FALSE(shared.filterOff());
    other.helper.progressChange(60, 100);
    EXPECT_EQ(other.service.count("passesFilterList"), 1);
}

TEST_F(BeforeNavigate, AnUpdateAnswerOfOneExactlySendsTheWindowToTheUpdatePage) {
    w.service.updateQueue.push_back(UpdateAnswer{1, vendor::kUpdatePage});
    const auto o = w.navigate(kPage);
    EXPECT_EQ(o.result, EventResult::handled());
    EXPECT_EQ(o.cancel, true);
    EXPECT_THAT(w.browser.calls, ElementsAre(std::string("Navigate ") + vendor::kUpdatePage));
    EXPECT_EQ(w.helper.userAllowed(), 1);
    EXPECT_FALSE(w.helper.redirecting());
    // The update page itself went through unchecked on the vendor's domain.
    EXPECT_EQ(w.service.count("FilterURL"), 0);
    EXPECT_EQ(w.service.count("CheckTimedAccess"), 0);

    w.clearCalls();
    w.service.updateQueue.push_back(UpdateAnswer{-1, vendor::kUpdatePage});
    const auto again = w.navigate(kPage);
    EXPECT_EQ(again.cancel, std::nullopt);
    EXPECT_THAT(w.browser.calls, IsEmpty());
    EXPECT_EQ(w.service.count("FilterURL"), 1);
}

TEST_F(BeforeNavigate, AnUpdatePageOffTheVendorsSiteIsJudgedLikeAnyPage) {
    w.service.updateQueue.push_back(UpdateAnswer{1, "http://mirror.example/update"});
    w.navigate(kPage);
    EXPECT_EQ(w.service.count("FilterURL http://mirror.example/update"), 1);
}

TEST_F(BeforeNavigate, TimedAccessDeniedShowsTheMessageAndClosesTheWindow) {
    for (int err : {1, 2}) {
        w.clearCalls();
        w.dialogs.shown.clear();
        w.service.timedQueue.push_back(TimedAnswer{err, 0});
        const auto o = w.navigate(kPage);
        EXPECT_EQ(o.result, EventResult::handled());
        EXPECT_EQ(o.cancel, std::nullopt);
        EXPECT_THAT(w.browser.calls, ElementsAre("Quit"));
        ASSERT_EQ(w.dialogs.shown.size(), 1u);
        EXPECT_EQ(w.dialogs.shown[0].stringId, err == 1 ? 101 : 102);
        EXPECT_TRUE(w.dialogs.shown[0].denial);
        EXPECT_EQ(w.service.count("FilterURL"), 0);
    }
}

TEST_F(BeforeNavigate, OtherTimedAccessAnswersAllowWithoutAMessage) {
    w.service.timedQueue.push_back(TimedAnswer{7, 10});
    const auto o = w.navigate(kPage);
    EXPECT_EQ(o.cancel, std::nullopt);
    EXPECT_THAT(w.dialogs.shown, IsEmpty());
    EXPECT_EQ(w.service.count("FilterURL"), 1);
}

TEST_F(BeforeNavigate, TimeLeftWarningsAreSharedByTheWindowsOfTheProcess) {
    Window other(shared);
    w.service.timed = {0, 1800};
    other.service.timed = {0, 1700};
    w.navigate(kPage);
    other.navigate(kPage);
    EXPECT_EQ(w.dialogs.shown.size(), 1u);
    EXPECT_THAT(other.dialogs.shown, IsEmpty());
    other.service.timed = {0, 600};
    other.navigate(kPage);
    ASSERT_EQ(other.dialogs.shown.size(), 1u);
    EXPECT_EQ(other.dialogs.shown[0].number, 10);
}

TEST_F(BeforeNavigate, AnUnreachableServiceSendsWebAddressesToTheUpdateErrorPage) {
    w.service.up = false;
    w.service.reachable = false;
    const auto o = w.navigate(kPage);
    EXPECT_EQ(o.result, EventResult::notHandled());
    EXPECT_EQ(o.cancel, true);
    EXPECT_THAT(w.browser.calls, ElementsAre("Stop", "Navigate " + kErrorPage));
    EXPECT_TRUE(w.helper.redirecting());

    // From now on the vendor's pages and other addresses pass unchecked.
    w.clearCalls();
    const auto local = w.navigate("file:///C:/x.htm");
    EXPECT_EQ(local.result, EventResult::handled());
    EXPECT_EQ(local.cancel, false);
    EXPECT_THAT(w.service.calls, IsEmpty());
    const auto vendorPage = w.navigate(kErrorPage);
    EXPECT_EQ(vendorPage.cancel, false);

    // Web addresses keep trying to reach the service.
    w.clearCalls();
    w.navigate(kPage);
    EXPECT_EQ(w.service.count("reconnect"), 1);
}

TEST_F(BeforeNavigate, AnUnreachableServiceLetsTheFirstNonWebAddressGoAhead) {
    w.service.up = false;
    w.service.reachable = false;
    const auto o = w.navigate("about:blank");
    EXPECT_EQ(o.result, EventResult::notHandled());
    EXPECT_EQ(o.cancel, std::nullopt);
    EXPECT_THAT(w.browser.calls, IsEmpty());
}

TEST_F(BeforeNavigate, AfterAReconnectTheNavigationIsJudgedWithTheNewConnection) {
    w.service.tbOnQueue.push_back(std::nullopt);  // the old service ended
    w.service.filterQueue.push_back(FilterAnswer{0, 0, kBlockPage});
    const auto o = w.navigate(kPage);
    EXPECT_EQ(o.result, EventResult::handled());
    EXPECT_EQ(o.cancel, true);
    EXPECT_THAT(w.browser.calls, ElementsAre("Stop", std::string("Navigate ") + kBlockPage));
    EXPECT_EQ(w.service.count("reconnect"), 1);
}

TEST_F(BeforeNavigate, ARestartedServiceIsToldAgainThatTheWindowCounts) {
    w.navigate(kPage);
    w.service.restartsAsNew = true;
    w.service.tbOnQueue.push_back(std::nullopt);
    w.clearCalls();
    w.navigate(kPage);
    EXPECT_THAT(w.service.calls,
                ElementsAre("TBOn", "reconnect", "AddRefCount", "TBOn", "needUpdate",
                            "CheckTimedAccess", std::string("FilterURL ") + kPage));

    // The same object answering again keeps its count.
    w.service.restartsAsNew = false;
    w.service.tbOnQueue.push_back(std::nullopt);
    w.clearCalls();
    w.navigate(kPage);
    EXPECT_EQ(w.service.count("AddRefCount"), 0);
}

TEST_F(BeforeNavigate, AServiceThatKeepsFailingAfterReconnectCountsAsUnreachable) {
    w.service.tbOnQueue = {std::nullopt, std::nullopt};
    const auto o = w.navigate(kPage);
    EXPECT_EQ(o.result, EventResult::notHandled());
    EXPECT_EQ(o.cancel, true);
    EXPECT_THAT(w.browser.calls, ElementsAre("Stop", "Navigate " + kErrorPage));
}

TEST_F(BeforeNavigate, FailedCallsAreRetriedOnceOnANewConnection) {
    w.service.updateQueue = {std::nullopt};
    w.service.timedQueue = {std::nullopt};
    w.service.filterQueue = {std::nullopt, FilterAnswer{0, 0, kBlockPage}};
    const auto o = w.navigate(kPage);
    EXPECT_EQ(w.service.count("reconnect"), 3);
    EXPECT_EQ(o.cancel, true);
    EXPECT_THAT(w.browser.calls, ElementsAre("Stop", std::string("Navigate ") + kBlockPage));
}

TEST_F(BeforeNavigate, AFilterCallFailingTwiceSendsTheWindowToTheUpdateErrorPage) {
    w.service.filterQueue = {std::nullopt, std::nullopt};
    const auto o = w.navigate(kPage);
    EXPECT_EQ(o.result, EventResult::notHandled());
    EXPECT_EQ(o.cancel, true);
    EXPECT_THAT(w.browser.calls, ElementsAre("Stop", "Navigate " + kErrorPage));
}

TEST_F(BeforeNavigate, AServiceThatBlocksItsOwnBlockPageCannotRecurseForever) {
    w.service.filter = FilterAnswer{0, 0, kBlockPage};
    const auto o = w.navigate(kPage);
    EXPECT_EQ(o.cancel, true);
    EXPECT_EQ(w.nestedUrls.size(), size_t(kMaxNestedNavigations));
}

TEST_F(BeforeNavigate, BrowserErrorsEndTheEventWithTheirStatus) {
    w.service.filterQueue.push_back(FilterAnswer{0, 0, kBlockPage});
    w.browser.failNavigate = -2147467259;
    const auto o = w.navigate(kPage);
    EXPECT_EQ(o.result, EventResult::browserError(-2147467259));
    EXPECT_EQ(o.cancel, true);
}

class ContentCheck : public ::testing::Test {
  protected:
    SharedState shared;
    Window w{shared};

    void SetUp() override {
        w.browser.state = kInteractive;
        w.browser.doc = DocumentText{kPage, {"Games"}};
    }
};

TEST_F(ContentCheck, SendsAddressTitleAndMetaTextAndReplacesAFailingPage) {
    w.browser.doc = DocumentText{kPage, {"Games", "keywords", "poker"}};
    w.service.contentQueue.push_back(ContentAnswer{0, "file:///C:/Tamberly/restricted2.htm"});
    EXPECT_EQ(w.helper.progressChange(30, 100), EventResult::handled());
    EXPECT_THAT(w.service.sentTexts, ElementsAre(std::string(kPage) + " Games keywords poker "));
    EXPECT_THAT(w.browser.calls,
                ElementsAre("Stop", "Navigate file:///C:/Tamberly/restricted2.htm flags=10"));
}

TEST_F(ContentCheck, DocumentCompleteReplacesWithoutStopAndThenSetsTheBar) {
    w.navigate(kPage);
    w.browser.calls.clear();
    w.service.contentQueue.push_back(ContentAnswer{0, "file:///C:/Tamberly/restricted2.htm"});
    EXPECT_EQ(w.helper.documentComplete(), EventResult::handled());
    // The local block page is no web page: the bar goes.
    EXPECT_THAT(
        w.browser.calls,
        ElementsAre("Navigate file:///C:/Tamberly/restricted2.htm flags=10", "ShowBrowserBar 0"));
}

// A frame's DocumentComplete: the frame's own document is read, and a frame
// that fails replaces the whole window, never the frame alone.
TEST_F(ContentCheck, AFramesDocumentIsReadFromTheFrameAndAFailureReplacesTheWindow) {
    w.navigate(kPage);
    w.browser.calls.clear();
    FakeBrowser frame;
    frame.state = kComplete;
    frame.doc = DocumentText{"http://games.example/", {"Poker night"}};
    w.service.contentQueue.push_back(ContentAnswer{0, "file:///C:/Tamberly/restricted3.htm"});
    EXPECT_EQ(w.helper.documentComplete(&frame), EventResult::handled());
    EXPECT_THAT(w.service.sentTexts, ElementsAre("http://games.example/ Poker night "));
    EXPECT_THAT(
        w.browser.calls,
        ElementsAre("Navigate file:///C:/Tamberly/restricted3.htm flags=10", "ShowBrowserBar 0"));
    EXPECT_THAT(frame.calls, IsEmpty());

    // The window's own DocumentComplete reads the window's document.
    w.helper.documentComplete();
    EXPECT_EQ(w.service.sentTexts.back(), std::string(kPage) + " Games ");
}

TEST_F(ContentCheck, APageWhoseTextDoesNotGrowIsSentOnce) {
    w.helper.progressChange(10, 100);
    w.helper.progressChange(20, 100);
    w.helper.documentComplete();
    EXPECT_EQ(w.service.count("passesFilterList"), 1);
    w.browser.doc->pieces.push_back("description");
    w.helper.progressChange(30, 100);
    EXPECT_EQ(w.service.count("passesFilterList"), 2);
}

TEST_F(ContentCheck, NothingIsReadBeforeTheDocumentIsInteractiveUnlessTheLoadFinished) {
    w.browser.state = kLoading;
    w.helper.progressChange(10, 100);
    w.helper.documentComplete();
    EXPECT_EQ(w.service.count("passesFilterList"), 0);
    w.helper.progressChange(-1, 100);
    EXPECT_EQ(w.service.count("passesFilterList"), 1);
}

TEST_F(ContentCheck, AnExplicitlyAllowedPageIsNotCheckedUntilTheNextDownload) {
    w.service.filterQueue.push_back(FilterAnswer{1, 1, ""});
    w.navigate(kPage);
    EXPECT_EQ(w.helper.userAllowed(), 1);
    w.helper.progressChange(50, 100);
    w.helper.documentComplete();
    EXPECT_EQ(w.service.count("passesFilterList"), 0);
    w.helper.progressChange(0, 100);
    EXPECT_EQ(w.helper.userAllowed(), 0);
    w.helper.progressChange(50, 100);
    EXPECT_EQ(w.service.count("passesFilterList"), 1);

    // Only the value 1 exactly means allowed by the user.
    w.service.filterQueue.push_back(FilterAnswer{1, -1, ""});
    w.navigate("http://other.example/");
    w.browser.doc = DocumentText{"http://other.example/", {"Other"}};
    w.helper.progressChange(50, 100);
    EXPECT_EQ(w.service.count("passesFilterList"), 2);
}

TEST_F(ContentCheck, ANewDownloadStartsTheSameDocumentFromNothing) {
    w.helper.progressChange(10, 100);
    w.helper.progressChange(0, 100);
    w.helper.progressChange(10, 100);
    EXPECT_EQ(w.service.count("passesFilterList"), 2);
}

TEST_F(ContentCheck, AFailedCheckIsRetriedOnANewConnectionThenCountsAsNotPassed) {
    w.service.contentQueue = {std::nullopt};
    w.helper.progressChange(10, 100);
    EXPECT_EQ(w.service.count("reconnect"), 1);
    EXPECT_EQ(w.service.count("passesFilterList"), 2);
    EXPECT_THAT(w.browser.calls, IsEmpty());

    w.browser.doc->pieces.push_back("more");
    w.service.contentQueue = {std::nullopt, std::nullopt};
    w.helper.progressChange(20, 100);
    EXPECT_THAT(w.browser.calls, ElementsAre("Stop", "Navigate " + kErrorPage + " flags=10"));
}

TEST_F(ContentCheck, NoServiceNoCheck) {
    w.service.up = false;
    EXPECT_EQ(w.helper.progressChange(10, 100), EventResult::handled());
    EXPECT_THAT(w.service.calls, IsEmpty());
    w.browser.doc.reset();
    w.service.up = true;
    EXPECT_EQ(w.helper.progressChange(10, 100), EventResult::handled());
    EXPECT_THAT(w.service.calls, IsEmpty());
}

class Quit : public ::testing::Test {
  protected:
    SharedState shared;
    Window w{shared};
};

TEST_F(Quit, HidesTheBarSavesAndTakesBackTheWindowsWebUse) {
    w.navigate(kPage);
    w.clearCalls();
    EXPECT_EQ(w.helper.onQuit(), EventResult::handled());
    EXPECT_THAT(w.browser.calls, ElementsAre("ShowBrowserBar 0"));
    EXPECT_THAT(w.service.calls, ElementsAre("Save", "DecRefCount", "disconnect"));
    EXPECT_FALSE(w.helper.counted());
}

TEST_F(Quit, AWindowThatNeverReachedTheWebMakesNoDecRefCount) {
    w.navigate("about:blank");
    w.navigate("file:///C:/x.htm");
    w.clearCalls();
    w.helper.onQuit();
    EXPECT_THAT(w.service.calls, ElementsAre("Save", "disconnect"));
}

TEST_F(Quit, AFailedSaveIsRetriedOnANewConnection) {
    w.navigate(kPage);
    w.service.saveWorks = false;
    w.service.reachable = false;
    w.clearCalls();
    EXPECT_EQ(w.helper.onQuit(), EventResult::notHandled());
    EXPECT_THAT(w.service.calls, ElementsAre("Save", "reconnect"));

    // A service that started anew never counted this window.
    Window v(shared);
    v.navigate(kPage);
    v.service.up = false;
    v.service.restartsAsNew = true;
    v.clearCalls();
    EXPECT_EQ(v.helper.onQuit(), EventResult::handled());
    EXPECT_THAT(v.service.calls, ElementsAre("Save", "reconnect", "Save", "disconnect"));
}

}  // namespace
}  // namespace tb::helper
