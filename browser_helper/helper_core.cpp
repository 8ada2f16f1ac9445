#include "browser_helper/helper_core.h"

#include "browser_helper/content_text.h"
#include "browser_helper/navigation_rules.h"
#include "common/vendor_endpoints.h"

namespace tb::helper {

namespace {

constexpr int kDailyMaximumReached = 101;
constexpr int kNotAnAllowedHour = 102;

}  // namespace

HelperCore::HelperCore(Service& service, Browser& browser, SharedState& shared, Dialogs& dialogs)
    : service_(service), browser_(browser), shared_(shared), dialogs_(dialogs) {}

EventResult HelperCore::beforeNavigate2(const std::string& url, std::optional<bool>& cancel) {
    if (nested_ >= kMaxNestedNavigations) {
        cancel = true;
        return EventResult::handled();
    }
    const bool web = isWebNavigation(url);
    // A browser that cannot say counts as one without a menu bar: the
    // navigation is judged all the same.
    bool menuBar = false;
    if (!succeeded(browser_.menuBar(menuBar))) menuBar = false;
    webPage_ = web && menuBar;

    if (redirecting_ && (isVendorAddress(url) || !web)) {
        cancel = false;
        return EventResult::handled();
    }

    std::optional<int16_t> filterOn = registerAndAskFilter(web);
    if (!filterOn) {
        // Judge this navigation with the new connection: letting it through
        // would pass one page unchecked at every restart of the service.
        if (reconnect() == Reconnect::Failed) return serviceLost(web, cancel);
        filterOn = registerAndAskFilter(web);
        if (!filterOn) return serviceLost(web, cancel);
    }
    if (*filterOn == 0 || !service_.connected()) return EventResult::handled();

    const std::optional<UpdateAnswer> update = withReconnect([&] { return service_.needUpdate(); });
    if (!update) return serviceLost(web, cancel);
    if (update->answer == 1) {
        userAllowed_ = 1;
        cancel = true;
        redirecting_ = 1;
        const Status status = navigate(update->url, std::nullopt);
        redirecting_ = 0;
        return EventResult::of(status);
    }

    if (web) {
        const std::optional<TimedAnswer> timed =
            withReconnect([&] { return service_.checkTimedAccess(); });
        if (!timed) return serviceLost(web, cancel);
        if (!timedAccessAllows(*timed)) return EventResult::of(browser_.quit());
    }

    userAllowed_ = 0;
    const std::optional<FilterAnswer> filter =
        withReconnect([&] { return service_.filterURL(url); });
    if (!filter) return serviceLost(web, cancel);
    userAllowed_ = filter->userAllowed;
    if (filter->allowed != 0) return EventResult::handled();
    cancel = true;
    const Status stopped = browser_.stop();
    if (!succeeded(stopped)) return EventResult::browserError(stopped);
    return EventResult::of(navigate(filter->url, std::nullopt));
}

// Registers the window's web use and asks whether filtering is on; the
// answer of TBOn, or nullopt when a call failed.
std::optional<int16_t> HelperCore::registerAndAskFilter(bool web) {
    if (!service_.connected()) return std::nullopt;
    if (web && counted_ == 0) {
        if (!service_.addRefCount()) return std::nullopt;
        counted_ = 1;
    } else if (!web && counted_ == 1) {
        if (!service_.decRefCount()) return std::nullopt;
        counted_ = 0;
    }
    shared_.setFilterOff(false);
    const std::optional<int16_t> on = service_.tbOn();
    if (!on) return std::nullopt;
    if (*on == 0) shared_.setFilterOff(true);
    return on;
}

// No usable service: web addresses go to the update-error page, the
// vendor's pages and other addresses go ahead from now on.
EventResult HelperCore::serviceLost(bool web, std::optional<bool>& cancel) {
    redirecting_ = 1;
    if (web) {
        cancel = true;
        const Status stopped = browser_.stop();
        if (!succeeded(stopped)) return EventResult::browserError(stopped);
        const Status status = navigate(vendor::kUpdateErrorPage, std::nullopt);
        if (!succeeded(status)) return EventResult::browserError(status);
    }
    return EventResult::notHandled();
}

Reconnect HelperCore::reconnect() {
    const Reconnect result = service_.reconnect();
    // A service that started anew does not know that this window counts.
    if (result == Reconnect::NewService) counted_ = 0;
    return result;
}

// One call, and when it fails the same call once more on a new connection.
template <class Call>
auto HelperCore::withReconnect(Call call) -> decltype(call()) {
    auto answer = call();
    if (answer) return answer;
    if (reconnect() == Reconnect::Failed) return answer;
    return call();
}

bool HelperCore::timedAccessAllows(const TimedAnswer& answer) {
    switch (answer.err) {
        case 0:
            if (std::optional<TimedMessage> warning = shared_.timeLeftWarning(answer.secondsLeft)) {
                dialogs_.show(*warning);
            }
            return true;
        case 1:
            dialogs_.show({kDailyMaximumReached, std::nullopt, true});
            return false;
        case 2:
            dialogs_.show({kNotAnAllowedHour, std::nullopt, true});
            return false;
        default:
            return true;
    }
}

EventResult HelperCore::progressChange(int32_t progress, int32_t /*progressMax*/) {
    if (progress == 0) {
        shared_.newDownload();
        userAllowed_ = 0;
    }
    if (shared_.filterOff()) return EventResult::handled();
    const ContentVerdict verdict = contentCheck(progress == -1, browser_);
    if (!succeeded(verdict.status)) return EventResult::browserError(verdict.status);
    if (verdict.passed) return EventResult::handled();
    const Status stopped = browser_.stop();
    if (!succeeded(stopped)) return EventResult::browserError(stopped);
    return EventResult::of(navigate(verdict.target, kReplaceFlags));
}

EventResult HelperCore::documentComplete(Browser* frame) {
    if (!shared_.filterOff()) {
        const ContentVerdict verdict = contentCheck(false, frame ? *frame : browser_);
        if (!succeeded(verdict.status)) return EventResult::browserError(verdict.status);
        if (!verdict.passed) {
            const Status status = navigate(verdict.target, kReplaceFlags);
            if (!succeeded(status)) return EventResult::browserError(status);
        }
    }
    return EventResult::of(browser_.showBar(webPage_));
}

HelperCore::ContentVerdict HelperCore::contentCheck(bool loadFinished, Browser& source) {
    ContentVerdict verdict;
    if (userAllowed_ == 1 || !service_.connected()) return verdict;
    int state = kUninitialized;
    verdict.status = source.readyState(state);
    if (!succeeded(verdict.status)) return verdict;
    if (!loadFinished && state != kInteractive && state != kComplete) return verdict;
    std::optional<DocumentText> document;
    verdict.status = source.document(document);
    if (!succeeded(verdict.status) || !document) return verdict;

    const std::string text = buildContentText(*document);
    if (!shared_.admitContent(document->url, text.size())) return verdict;
    const std::string sent = contentToSend(text);
    const std::optional<ContentAnswer> answer =
        withReconnect([&] { return service_.passesFilterList(document->url, sent); });
    if (!answer) {
        // The service could not judge the page: show the page that says so
        // rather than the page.
        verdict.passed = false;
        verdict.target = vendor::kUpdateErrorPage;
    } else if (answer->passed == 0) {
        verdict.passed = false;
        verdict.target = answer->text;
    }
    return verdict;
}

EventResult HelperCore::onQuit() {
    // The window is closing: a bar that cannot be hidden must not keep the
    // window counted.
    browser_.showBar(false);
    if (!service_.save()) {
        if (reconnect() == Reconnect::Failed || !service_.save()) return EventResult::notHandled();
    }
    if (counted_ == 1) {
        service_.decRefCount();
        counted_ = 0;
    }
    service_.disconnect();
    return EventResult::handled();
}

Status HelperCore::navigate(const std::string& url, std::optional<int32_t> flags) {
    ++nested_;
    const Status status = browser_.navigate(url, flags);
    --nested_;
    return status;
}

}  // namespace tb::helper
