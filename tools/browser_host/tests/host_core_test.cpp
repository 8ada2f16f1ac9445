#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include "tools/browser_host/navigator.h"
#include "tools/browser_host/page_source.h"
#include "tools/browser_host/script.h"

namespace tb::host {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

TEST(Script, WordsOptionsAndQuotedTexts) {
    const ParsedLine p = parseCommandLine(
        R"(  page http://a.example/?q=1 title="Kids' \"corner\"" meta.keywords="a b" hold steps=2)",
        7);
    ASSERT_TRUE(p.command);
    EXPECT_EQ(p.command->line, 7);
    EXPECT_EQ(p.command->name, "page");
    EXPECT_THAT(p.command->words, ElementsAre("http://a.example/?q=1", "hold"));
    EXPECT_EQ(p.command->option("title"), "Kids' \"corner\"");
    EXPECT_EQ(p.command->option("meta.keywords"), "a b");
    EXPECT_EQ(p.command->number("steps", 3), 2);
    EXPECT_EQ(p.command->number("missing", 3), 3);
    EXPECT_TRUE(p.command->has("hold"));
}

TEST(Script, CommentsBlankLinesAndErrors) {
    EXPECT_FALSE(parseCommandLine("   # a comment", 1).command);
    EXPECT_FALSE(parseCommandLine("", 1).command);
    EXPECT_FALSE(parseCommandLine("echo \"open", 1).command);
    EXPECT_FALSE(parseCommandLine("echo \"open", 1).error.empty());
    const ParsedLine bad = parseCommandLine("navigate w http://x/ steps=many", 1);
    ASSERT_TRUE(bad.command);
    EXPECT_EQ(bad.command->number("steps", 3), std::nullopt);
    // A quoted part before any '=' keeps the token a word.
    EXPECT_THAT(parseCommandLine(R"(echo "a=b")", 1).command->words, ElementsAre("a=b"));
}

TEST(Script, OutputValuesRoundTripThroughTheParser) {
    const std::string text = "say \"hi\"\\ there\nline two\ttab";
    const std::string line =
        outputLine("msgbox", "main", {{"text", text}, {"url", "http://a/?x=1"}});
    EXPECT_EQ(line, R"(msgbox main text="say \"hi\"\\ there\nline two\ttab" url=http://a/?x=1)");
    const ParsedLine back = parseCommandLine(line, 1);
    ASSERT_TRUE(back.command);
    EXPECT_EQ(back.command->option("text"), text);
    EXPECT_EQ(quoted(""), "\"\"");
}

TEST(Html, TitleAndMetaElementsInDocumentOrder) {
    const auto elements = scanHtml(
        "<!DOCTYPE html><HTML><head><!-- <title>no</title> --><Title>Dice &amp; Cards</TITLE>"
        "<meta NAME=keywords content='poker, &quot;slots&quot;'><meta http-equiv=x content=\"y\">"
        "</head><body><p>text</p></body></html>");
    ASSERT_EQ(elements.size(), 7u);
    EXPECT_EQ(elements[0].tag, "html");
    EXPECT_EQ(elements[2].kind, Element::Kind::Title);
    EXPECT_EQ(elements[2].text, "Dice & Cards");
    EXPECT_EQ(elements[3].kind, Element::Kind::Meta);
    EXPECT_EQ(elements[3].name, "keywords");
    EXPECT_EQ(elements[3].content, "poker, \"slots\"");
    EXPECT_EQ(elements[4].name, std::nullopt);
    EXPECT_EQ(elements[4].content, "y");
    EXPECT_EQ(elements[6].tag, "p");
}

TEST(Html, BrokenMarkupEndsQuietly) {
    EXPECT_THAT(scanHtml("<title>never closed"),
                ElementsAre(::testing::Field(&Element::text, "never closed")));
    EXPECT_TRUE(scanHtml("<meta name=\"x").size() <= 1);
    EXPECT_THAT(scanHtml("a < b and c > d"), IsEmpty());
    EXPECT_THAT(scanHtml("<!-- open comment <title>x</title>"), IsEmpty());
}

TEST(Addresses, WebAddressesMapBelowThePagesDirectory) {
    EXPECT_EQ(relativePathFor("http://Kids.Example/games/"), "kids.example/games/index.html");
    EXPECT_EQ(relativePathFor("http://kids.example"), "kids.example/index.html");
    EXPECT_EQ(relativePathFor("https://a.example/x.htm?q=1#top"), "a.example/x.htm");
    EXPECT_EQ(relativePathFor("http://a.example/my%20page.htm"), "a.example/my page.htm");
    EXPECT_EQ(relativePathFor("http://a.example/../../etc/passwd"), std::nullopt);
    EXPECT_EQ(relativePathFor("about:blank"), std::nullopt);
    EXPECT_EQ(localPathFor("file:///C:/Tamberly/restricted1.htm"), "C:/Tamberly/restricted1.htm");
    EXPECT_EQ(localPathFor("file:///tmp/a%20b.html"), "/tmp/a b.html");
    EXPECT_EQ(localPathFor("http://a/"), std::nullopt);
    EXPECT_EQ(canonicalAddress("C:\\Program Files\\Tamberly\\restricted1.htm"),
              "file:///C:/Program%20Files/Tamberly/restricted1.htm");
    EXPECT_EQ(canonicalAddress("http://a/"), "http://a/");
}

class PagesOnDisk : public ::testing::Test {
  protected:
    std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("tb_pages_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
         std::to_string(reinterpret_cast<uintptr_t>(this)));
    void SetUp() override { std::filesystem::create_directories(dir / "kids.example" / "games"); }
    void TearDown() override { std::filesystem::remove_all(dir); }
    void write(const std::filesystem::path& relative, const std::string& text) {
        std::ofstream(dir / relative, std::ios::binary) << text;
    }
};

TEST_F(PagesOnDisk, TableThenDirectoryThenLocalFilesThenAnEmptyDocument) {
    write("kids.example/games/index.html", "<title>Games</title>");
    write("block.htm", "<title>Blocked</title>");
    PageSource pages;
    pages.setDirectory(dir.string() + "/");
    pages.define("http://kids.example/games/", tablePage("From the table", {{"keywords", "k"}}));

    Page p = pages.load("http://kids.example/games/");
    EXPECT_TRUE(p.found);
    ASSERT_EQ(p.elements.size(), 5u);
    EXPECT_EQ(p.elements[2].text, "From the table");
    EXPECT_EQ(p.elements[3].content, "k");

    p = pages.load("http://kids.example/games");  // a directory without its slash
    EXPECT_TRUE(p.found);
    EXPECT_EQ(p.elements[0].text, "Games");

    p = pages.load("file://" + (dir / "block.htm").string());
    EXPECT_TRUE(p.found);
    EXPECT_EQ(p.elements[0].text, "Blocked");

    p = pages.load("http://nowhere.example/");
    EXPECT_FALSE(p.found);
    EXPECT_EQ(p.elements.size(), 3u);
}

// Plug-ins scripted per address: cancel, redirect from inside the event,
// stop and redirect while the page arrives, close the window.
struct ScriptedPlugins : WindowEvents, Output {
    Navigator* nav = nullptr;
    std::vector<std::string> events;
    std::vector<std::string> lines;
    std::function<Verdict(const std::string&)> onBefore = [](const std::string&) {
        return Verdict{};
    };
    std::function<void(int32_t)> onProgress = [](int32_t) {};
    std::function<void()> onComplete = [] {};

    static std::string in(uint32_t frame) { return frame ? " frame=" + std::to_string(frame) : ""; }
    Verdict beforeNavigate2(uint32_t frame, const std::string& url, int32_t flags) override {
        events.push_back("BeforeNavigate2 " + url + in(frame) +
                         (flags ? " " + std::to_string(flags) : ""));
        if (frame == 0) readyAtBefore.push_back(nav->readyState());
        return onBefore(url);
    }
    void downloadBegin() override {
        events.push_back("DownloadBegin ready=" + std::to_string(nav->readyState()));
    }
    void navigateComplete2(uint32_t frame, const std::string& url) override {
        events.push_back("NavigateComplete2 " + url + in(frame));
    }
    void progressChange(int32_t progress, int32_t) override {
        const auto doc = nav->document();
        events.push_back("ProgressChange " + std::to_string(progress) +
                         " revealed=" + std::to_string(doc ? doc->revealed : 0) +
                         " ready=" + std::to_string(nav->readyState()));
        onProgress(progress);
    }
    void titleChange(const std::string& title) override {
        events.push_back("TitleChange " + title);
    }
    void documentComplete(uint32_t frame, const std::string& url) override {
        events.push_back("DocumentComplete " + url + in(frame));
        if (frame == 0) onComplete();
    }
    void downloadComplete() override { events.push_back("DownloadComplete"); }
    void line(const std::string& text) override {
        if (text.rfind("nav ", 0) == 0 || text.rfind("error ", 0) == 0) lines.push_back(text);
        if (text.rfind("before ", 0) == 0) befores.push_back(text);
    }
    std::vector<std::string> befores;
    std::vector<int> readyAtBefore;
};

class Navigation : public ::testing::Test {
  protected:
    PageSource pages;
    ScriptedPlugins plugins;
    Navigator nav{"w", plugins, pages, plugins};

    void SetUp() override {
        plugins.nav = &nav;
        pages.define("http://a/", tablePage("A", {{"keywords", "k"}}));  // 5 elements
    }
};

TEST_F(Navigation, AnAcceptedPageArrivesInStepsAndCompletes) {
    nav.userNavigate("http://a/", LoadPlan{3, false});
    EXPECT_THAT(
        plugins.events,
        ElementsAre("BeforeNavigate2 http://a/", "DownloadBegin ready=1",
                    "NavigateComplete2 http://a/", "ProgressChange 25 revealed=2 ready=3",
                    "ProgressChange 50 revealed=3 ready=3", "ProgressChange 75 revealed=4 ready=3",
                    "ProgressChange -1 revealed=5 ready=4", "TitleChange A",
                    "DocumentComplete http://a/", "DownloadComplete"));
    EXPECT_THAT(plugins.lines, ElementsAre("nav w url=http://a/ result=shown"));
    EXPECT_EQ(nav.locationUrl(), "http://a/");

    // Leaving a complete page, the window is loading again from
    // BeforeNavigate2 on, as the browser control reports it.
    nav.userNavigate("http://a/", LoadPlan{0, false});
    EXPECT_THAT(plugins.readyAtBefore, ElementsAre(kLoading, kLoading));
    EXPECT_EQ(nav.readyState(), kComplete);
}

// With several plug-ins, the line gives each one's answer beside the first
// failure, so that a band's E_NOTIMPL does not hide the helper's S_OK.
TEST_F(Navigation, TheBeforeLineReportsEverySinksOwnResult) {
    plugins.onBefore = [](const std::string&) {
        return WindowEvents::Verdict{false, static_cast<int32_t>(0x80004001),
                                     "helper#1=0x00000000,band#2=0x80004001"};
    };
    nav.userNavigate("http://a/", LoadPlan{});
    EXPECT_THAT(plugins.befores, ElementsAre("before w url=http://a/ cancel=0 hr=0x80004001 "
                                             "sinks=helper#1=0x00000000,band#2=0x80004001"));
}

TEST_F(Navigation, ACancelledNavigationLoadsNothing) {
    plugins.onBefore = [](const std::string&) { return WindowEvents::Verdict{true, 0, {}}; };
    nav.userNavigate("http://a/", LoadPlan{});
    EXPECT_THAT(plugins.events, ElementsAre("BeforeNavigate2 http://a/"));
    EXPECT_THAT(plugins.lines, ElementsAre("nav w url=http://a/ result=cancelled"));
    EXPECT_EQ(nav.document(), nullptr);
}

TEST_F(Navigation, ANavigationStartedInsideBeforeNavigateReplacesTheFirst) {
    plugins.onBefore = [this](const std::string& url) {
        if (url != "http://a/") return WindowEvents::Verdict{};
        nav.stop();
        nav.navigate("C:\\Tamberly\\restricted1.htm", 0);
        return WindowEvents::Verdict{true, 0, {}};
    };
    nav.userNavigate("http://a/", LoadPlan{1, false});
    EXPECT_EQ(plugins.events[1], "BeforeNavigate2 file:///C:/Tamberly/restricted1.htm");
    EXPECT_EQ(plugins.events[3], "NavigateComplete2 file:///C:/Tamberly/restricted1.htm");
    // The plug-in's own navigation has its line, ended before the user's.
    EXPECT_THAT(
        plugins.lines,
        ElementsAre(
            "nav w url=file:///C:/Tamberly/restricted1.htm result=shown by=plugin",
            "nav w url=http://a/ result=redirected to=file:///C:/Tamberly/restricted1.htm"));
}

TEST_F(Navigation, ANavigationNotCancelledButOvertakenFromItsOwnEventIsDropped) {
    plugins.onBefore = [this](const std::string& url) {
        if (url == "http://a/") nav.navigate("http://b/", 0);
        return WindowEvents::Verdict{};
    };
    nav.userNavigate("http://a/", LoadPlan{0, false});
    EXPECT_THAT(plugins.lines, ElementsAre("nav w url=http://b/ result=shown by=plugin",
                                           "nav w url=http://a/ result=redirected to=http://b/"));
}

TEST_F(Navigation, StopAndNavigateWhileThePageArrivesReplacesIt) {
    plugins.onProgress = [this](int32_t progress) {
        if (progress == 50 && nav.locationUrl() == "http://a/") {
            nav.stop();
            nav.navigate("http://block/", 10);
        }
    };
    nav.userNavigate("http://a/", LoadPlan{3, false});
    EXPECT_THAT(plugins.lines,
                ElementsAre("nav w url=http://block/ result=shown by=plugin",
                            "nav w url=http://a/ result=redirected to=http://block/"));
    EXPECT_EQ(
        std::count(plugins.events.begin(), plugins.events.end(), "DocumentComplete http://a/"), 0);
    EXPECT_EQ(std::count(plugins.events.begin(), plugins.events.end(),
                         "BeforeNavigate2 http://block/ 10"),
              1);
    // The replaced download still ends, before the next one begins.
    const auto second =
        std::find(plugins.events.begin(), plugins.events.end(), "BeforeNavigate2 http://block/ 10");
    EXPECT_EQ(*(second + 1), "DownloadComplete");
    EXPECT_EQ(*(second + 2), "DownloadBegin ready=1");
    EXPECT_EQ(plugins.events.back(), "DownloadComplete");
}

// Each frame is offered and loaded with its own browser object while the
// window's document is interactive; the window's DocumentComplete is last.
TEST_F(Navigation, FramesArriveBeforeTheWindowsDocumentCompletes) {
    pages.define("http://f/", tablePage("F", {}, {"http://a/", "http://b/"}));
    std::vector<int> readyAtFrames;
    plugins.onBefore = [this, &readyAtFrames](const std::string& url) {
        if (url != "http://f/") readyAtFrames.push_back(nav.readyState());
        return WindowEvents::Verdict{};
    };
    nav.userNavigate("http://f/", LoadPlan{0, false});
    EXPECT_THAT(
        plugins.events,
        ElementsAre("BeforeNavigate2 http://f/", "DownloadBegin ready=1",
                    "NavigateComplete2 http://f/", "BeforeNavigate2 http://a/ frame=1",
                    "NavigateComplete2 http://a/ frame=1", "DocumentComplete http://a/ frame=1",
                    "BeforeNavigate2 http://b/ frame=2", "NavigateComplete2 http://b/ frame=2",
                    "DocumentComplete http://b/ frame=2", "ProgressChange -1 revealed=6 ready=4",
                    "TitleChange F", "DocumentComplete http://f/", "DownloadComplete"));
    EXPECT_THAT(readyAtFrames, ElementsAre(kInteractive, kInteractive));
    EXPECT_THAT(plugins.befores,
                ElementsAre("before w url=http://f/ cancel=0 hr=0x00000000",
                            "before w url=http://a/ frame=1 cancel=0 hr=0x00000000",
                            "before w url=http://b/ frame=2 cancel=0 hr=0x00000000"));
    EXPECT_THAT(plugins.lines, ElementsAre("nav w url=http://f/ result=shown"));
    EXPECT_THAT(nav.frames(), ElementsAre(1u, 2u));
    ASSERT_TRUE(nav.frameDocument(1));
    EXPECT_EQ(nav.frameDocument(1)->title(), "A");
    EXPECT_EQ(nav.frameDocument(1)->readyState, kComplete);

    // A frame of the next page is a new frame.
    nav.userNavigate("http://f/", LoadPlan{0, false});
    EXPECT_THAT(nav.frames(), ElementsAre(3u, 4u));
    EXPECT_EQ(nav.frameDocument(1), nullptr);
}

TEST_F(Navigation, AFrameCancelledStaysEmptyAndAFrameThatRedirectsTheWindowEndsItsLoad) {
    pages.define("http://f/", tablePage("F", {}, {"http://a/", "http://bad/"}));
    plugins.onBefore = [](const std::string& url) {
        return WindowEvents::Verdict{url == "http://a/", 0, {}};
    };
    nav.userNavigate("http://f/", LoadPlan{0, false});
    EXPECT_EQ(std::count(plugins.events.begin(), plugins.events.end(),
                         "NavigateComplete2 http://a/ frame=1"),
              0);
    EXPECT_EQ(nav.frameDocument(1), nullptr);
    EXPECT_THAT(plugins.lines, ElementsAre("nav w url=http://f/ result=shown"));

    // As a helper does with a blocked frame: the whole window goes.
    plugins.events.clear();
    plugins.onBefore = [this](const std::string& url) {
        if (url != "http://bad/") return WindowEvents::Verdict{};
        nav.stop();
        nav.navigate("http://block/", 0);
        return WindowEvents::Verdict{true, 0, {}};
    };
    plugins.lines.clear();
    nav.userNavigate("http://f/", LoadPlan{0, false});
    EXPECT_THAT(plugins.lines,
                ElementsAre("nav w url=http://block/ result=shown by=plugin",
                            "nav w url=http://f/ result=redirected to=http://block/"));
    EXPECT_EQ(
        std::count(plugins.events.begin(), plugins.events.end(), "DocumentComplete http://f/"), 0);
}

// A plug-in's navigation that is cancelled, or overtaken by a newer one
// from its own event, ends with a line of its own as well.
TEST_F(Navigation, APlugInsNavigationsEachEndWithTheirOwnLine) {
    pages.define("http://start/", tablePage("S", {}));
    plugins.onBefore = [this](const std::string& url) {
        if (url == "http://refused/") return WindowEvents::Verdict{true, 0, {}};
        if (url == "http://first/") nav.navigate("http://second/", 0);
        return WindowEvents::Verdict{};
    };
    plugins.onComplete = [this] {
        if (nav.locationUrl() != "http://start/") return;
        nav.navigate("http://refused/", 0);
        nav.navigate("http://first/", 0);
    };
    nav.userNavigate("http://start/", LoadPlan{0, false});
    EXPECT_THAT(plugins.lines,
                ElementsAre("nav w url=http://refused/ result=cancelled by=plugin",
                            "nav w url=http://first/ result=replaced by=plugin",
                            "nav w url=http://second/ result=shown by=plugin",
                            "nav w url=http://start/ result=redirected to=http://second/"));
}

TEST_F(Navigation, AStopAloneEndsTheLoad) {
    plugins.onProgress = [this](int32_t) { nav.stop(); };
    nav.userNavigate("http://a/", LoadPlan{3, false});
    EXPECT_THAT(plugins.lines, ElementsAre("nav w url=http://a/ result=stopped"));
    EXPECT_THAT(plugins.events,
                ElementsAre("BeforeNavigate2 http://a/", "DownloadBegin ready=1",
                            "NavigateComplete2 http://a/", "ProgressChange 25 revealed=2 ready=3",
                            "DownloadComplete"));
}

TEST_F(Navigation, QuitClosesTheWindowAfterTheEvent) {
    plugins.onBefore = [this](const std::string&) {
        nav.requestClose();
        return WindowEvents::Verdict{};
    };
    nav.userNavigate("http://a/", LoadPlan{});
    EXPECT_THAT(plugins.events, ElementsAre("BeforeNavigate2 http://a/"));
    EXPECT_THAT(plugins.lines, ElementsAre("nav w url=http://a/ result=closed"));
    EXPECT_TRUE(nav.closeRequested());
    EXPECT_FALSE(nav.navigate("http://b/", 0));
}

TEST_F(Navigation, RunawayRedirectsAreCutOffInsteadOfRecursingForever) {
    plugins.onBefore = [this](const std::string& url) {
        nav.navigate(url + "x", 0);
        return WindowEvents::Verdict{true, 0, {}};
    };
    nav.userNavigate("http://a/", LoadPlan{});
    ASSERT_GE(plugins.lines.size(), 2u);
    EXPECT_THAT(plugins.lines.front(), ::testing::HasSubstr("nested too deep"));
    EXPECT_EQ(plugins.events.size(), size_t(Navigator::kMaxNesting));

    // A page that is replaced on every DocumentComplete ends as well.
    ScriptedPlugins again;
    Navigator loop{"w", again, pages, again};
    again.nav = &loop;
    again.onComplete = [&] { loop.navigate("http://a/", 0); };
    loop.userNavigate("http://a/", LoadPlan{0, false});
    EXPECT_THAT(again.lines, Contains(::testing::HasSubstr("keep replacing")));
}

// A refresh is a new download of the page shown, without a navigation: it
// opens with ProgressChange 0 and has no BeforeNavigate2, NavigateComplete2
// or DocumentComplete; a plug-in that stops it and navigates away replaces
// the page as in any load.
TEST_F(Navigation, ARefreshDownloadsThePageAgainWithoutNavigating) {
    EXPECT_FALSE(nav.refresh(1));  // nothing shown yet
    nav.userNavigate("http://a/", LoadPlan{0, false});
    pages.define("http://a/", tablePage("A2", {}));
    plugins.events.clear();
    plugins.lines.clear();
    ASSERT_TRUE(nav.refresh(1));
    EXPECT_THAT(
        plugins.events,
        ElementsAre("DownloadBegin ready=1", "ProgressChange 0 revealed=0 ready=1",
                    "ProgressChange 50 revealed=2 ready=3", "ProgressChange -1 revealed=4 ready=4",
                    "TitleChange A2", "DownloadComplete"));
    EXPECT_THAT(plugins.lines, ElementsAre("nav w url=http://a/ result=shown"));

    plugins.events.clear();
    plugins.lines.clear();
    plugins.onProgress = [this](int32_t progress) {
        if (progress != 50 || nav.locationUrl() != "http://a/") return;
        nav.stop();
        nav.navigate("http://block/", 10);
    };
    ASSERT_TRUE(nav.refresh(1));
    EXPECT_THAT(plugins.lines,
                ElementsAre("nav w url=http://block/ result=shown by=plugin",
                            "nav w url=http://a/ result=redirected to=http://block/"));
    EXPECT_EQ(std::count(plugins.events.begin(), plugins.events.end(), "DownloadComplete"), 2);
    EXPECT_EQ(nav.locationUrl(), "http://block/");
}

TEST_F(Navigation, AHeldLoadIsRevealedAndFinishedByTheScript) {
    nav.userNavigate("http://a/", LoadPlan{3, true});
    EXPECT_TRUE(nav.holding());
    EXPECT_EQ(nav.readyState(), kLoading);
    EXPECT_THAT(plugins.lines, IsEmpty());
    nav.reveal(60);
    nav.progress(60, 100);
    nav.progress(60, 100);
    EXPECT_EQ(plugins.events.back(), "ProgressChange 60 revealed=3 ready=3");
    nav.finish();
    EXPECT_FALSE(nav.holding());
    EXPECT_THAT(plugins.lines, ElementsAre("nav w url=http://a/ result=shown"));
    EXPECT_FALSE(nav.finish());
}

TEST_F(Navigation, AHeldLoadThatAPlugInReplacesEndsWithTheReplacement) {
    plugins.onProgress = [this](int32_t) {
        if (nav.locationUrl() != "http://a/") return;
        nav.stop();
        nav.navigate("http://block/", 10);
    };
    nav.userNavigate("http://a/", LoadPlan{3, true});
    nav.reveal(100);
    nav.progress(100, 100);
    EXPECT_FALSE(nav.holding());
    EXPECT_THAT(plugins.lines,
                ElementsAre("nav w url=http://block/ result=shown by=plugin",
                            "nav w url=http://a/ result=redirected to=http://block/"));
}

}  // namespace
}  // namespace tb::host
