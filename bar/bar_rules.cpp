#include "bar/bar_rules.h"

#include "common/ansi_text.h"

namespace tb::bar {

namespace {

// A table text, lower-cased where it lives.
std::string loweredInPlace(char* text) {
    if (!text) return {};
    for (char* c = text; *c; ++c) *c = asciiLower(*c);
    return text;
}

}  // namespace

BarRules::BarRules(BarPages& pages, ProcessCounters& counters, std::string bannerImage)
    : pages_(pages), counters_(counters), bannerImage_(std::move(bannerImage)) {}

// An empty configured address matches nothing.
bool BarRules::isBarPage(const std::string& address) {
    const std::string lower = lowered(address);
    const std::string nav = loweredInPlace(pages_.navPage());
    if (!nav.empty() && lower == nav) return true;
    return !mainBarPage_.empty() && lower == lowered(mainBarPage_);
}

std::string BarRules::microAd() {
    return loweredInPlace(pages_.microAdPage());
}

NavigationVerdict BarRules::beforeNavigate2(const Navigation& navigation) {
    if (navigation.inWindowBrowser && forwarded_) {
        const bool ours = *forwarded_ == navigation.url;
        forwarded_.reset();
        if (ours) return NavigationVerdict::LeaveAlone;
    }
    if (!isBarPage(navigation.leaving)) return NavigationVerdict::LeaveAlone;
    const std::string& url = navigation.url;
    if (url == kNavigationCanceled || contains(url, kErrorPageScheme) || isBarPage(url))
        return NavigationVerdict::LeaveAlone;
    forwarded_ = url;
    return NavigationVerdict::OpenInMainWindow;
}

bool BarRules::navigateComplete2(bool fromWindowTop, const std::string& url) {
    if (fromWindowTop) return false;
    if (url == kNavigationCanceled || url == bannerImage_) return true;
    if (!contains(url, kErrorPageScheme)) return false;
    const std::string ad = microAd();
    return ad.empty() || !contains(lowered(url), ad);
}

DocumentActions BarRules::documentComplete(const std::string& location, bool fromWindowTop,
                                           bool adBrowserKnown) {
    DocumentActions actions;
    const std::string ad = microAd();
    if (!ad.empty() && contains(lowered(location), ad)) {
        actions.rememberAdBrowser = true;
    } else if (fromWindowTop && adBrowserKnown) {
        actions.refreshAdBrowser = true;
    }
    if (fromWindowTop) {
        // Wraps like the 32-bit counter it is, after two thousand million pages.
        const int32_t pages =
            static_cast<int32_t>(static_cast<uint32_t>(counters_.completedPages.fetch_add(1)) + 1u);
        actions.refreshBar = pages % kPagesPerBarRefresh == 0;
    }
    return actions;
}

}  // namespace tb::bar
