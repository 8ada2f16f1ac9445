// The browser helper's decisions for one browser window: what to do before
// a navigation, while and after a page loads, and when the window closes.
// It talks to the service, the browser and the user only through the seams.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "browser_helper/seams.h"
#include "browser_helper/shared_state.h"

namespace tb::helper {

// How an event ends: handled (S_OK), not handled (E_NOTIMPL), or with the
// error of a browser call.
struct EventResult {
    enum class Kind { Handled, NotHandled, BrowserError };
    Kind kind = Kind::Handled;
    Status status = 0;

    static EventResult handled() { return {}; }
    static EventResult notHandled() { return {Kind::NotHandled, 0}; }
    static EventResult browserError(Status status) { return {Kind::BrowserError, status}; }
    static EventResult of(Status status) {
        return succeeded(status) ? handled() : browserError(status);
    }
    bool operator==(const EventResult& other) const {
        return kind == other.kind && status == other.status;
    }
};

// Navigate flags of a replaced page: navNoHistory | navNoWriteToCache.
inline constexpr int32_t kReplaceFlags = 10;
// Navigations that the helper starts from inside its own BeforeNavigate2,
// nested this deep, are a redirect chain that does not end (a service that
// blocks its own block page): the innermost is cancelled instead.
inline constexpr int kMaxNestedNavigations = 3;

class HelperCore {
  public:
    HelperCore(Service& service, Browser& browser, SharedState& shared, Dialogs& dialogs);

    // cancel: set when the helper decides the Cancel flag, untouched otherwise.
    EventResult beforeNavigate2(const std::string& url, std::optional<bool>& cancel);
    EventResult progressChange(int32_t progress, int32_t progressMax);
    // frame: the browser object of the frame whose document completed, or
    // null for the window's own document. A frame's text is checked from the
    // frame's document; a page that fails replaces the whole window.
    EventResult documentComplete(Browser* frame = nullptr);
    EventResult onQuit();

    bool counted() const { return counted_ != 0; }
    bool webPage() const { return webPage_; }
    bool redirecting() const { return redirecting_ != 0; }
    int16_t userAllowed() const { return userAllowed_; }

  private:
    struct ContentVerdict {
        Status status = 0;
        bool passed = true;
        std::string target;  // where to send the window when not passed
    };

    std::optional<int16_t> registerAndAskFilter(bool web);
    EventResult serviceLost(bool web, std::optional<bool>& cancel);
    Reconnect reconnect();
    template <class Call>
    auto withReconnect(Call call) -> decltype(call());
    bool timedAccessAllows(const TimedAnswer& answer);
    ContentVerdict contentCheck(bool loadFinished, Browser& source);
    Status navigate(const std::string& url, std::optional<int32_t> flags);

    Service& service_;
    Browser& browser_;
    SharedState& shared_;
    Dialogs& dialogs_;

    int32_t counted_ = 0;
    bool webPage_ = false;
    int16_t userAllowed_ = 0;
    int32_t redirecting_ = 0;
    int nested_ = 0;
};

}  // namespace tb::helper
