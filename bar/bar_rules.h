// The rules of the browser bar for the events of the two browsers it
// watches, the main window's browser and the bar's own browser control
// (with their frames): which navigations leave the bar for the main window,
// when the bar page is put back, when the advertisement pane and the whole
// bar page are refreshed.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace tb::bar {

inline constexpr char kNavigationCanceled[] = "about:NavigationCanceled";
inline constexpr char kErrorPageScheme[] = "res://";
// The whole bar page is refreshed after every this many pages of a main
// window.
inline constexpr int32_t kPagesPerBarRefresh = 10;

// The bar page table's texts, owned by the table. The rules lower-case the
// navigation and advertisement texts in place before every comparison.
class BarPages {
  public:
    virtual ~BarPages() = default;
    virtual char* navPage() = 0;
    virtual char* microAdPage() = 0;
};

// Shared by every bar of one browser process, for its whole life.
struct ProcessCounters {
    std::atomic<int32_t> completedPages{0};
};

// A BeforeNavigate2 as the rules see it.
struct Navigation {
    std::string leaving;           // the current address of the browser that navigates
    std::string url;               // where it goes
    bool inWindowBrowser = false;  // raised for the main window's own top-level browser
};

enum class NavigationVerdict {
    LeaveAlone,
    // Stop the main window, open the address there with the referrer
    // headers, cancel the navigation where it was raised.
    OpenInMainWindow,
};

struct DocumentActions {
    bool rememberAdBrowser = false;  // this browser shows the advertisement pane
    bool refreshAdBrowser = false;   // stop and refresh the advertisement pane
    bool refreshBar = false;         // stop and refresh the whole bar page
};

class BarRules {
  public:
    BarRules(BarPages& pages, ProcessCounters& counters, std::string bannerImage);

    // The address the bar shows, as the page table gave it when the bar's
    // window was made.
    void setMainBarPage(std::string address) { mainBarPage_ = std::move(address); }
    const std::string& mainBarPage() const { return mainBarPage_; }

    // The address is the navigation page or the main bar page.
    bool isBarPage(const std::string& address);

    NavigationVerdict beforeNavigate2(const Navigation& navigation);
    // True when the bar page is to be loaded again: a frame or the bar
    // ended on the browser's error page or on the bare banner image.
    bool navigateComplete2(bool fromWindowTop, const std::string& url);
    // `location` is the current address of the browser that completed;
    // `fromWindowTop` says it is the main window's own browser.
    DocumentActions documentComplete(const std::string& location, bool fromWindowTop,
                                     bool adBrowserKnown);

  private:
    std::string microAd();

    BarPages& pages_;
    ProcessCounters& counters_;
    std::string bannerImage_;
    std::string mainBarPage_;
    // The address that the bar has just sent to the main window: its own
    // BeforeNavigate2 there passes once, even when the main window itself
    // shows a bar page.
    std::optional<std::string> forwarded_;
};

}  // namespace tb::bar
