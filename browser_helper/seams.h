// What the helper's decisions need from the platform, declared by the helper
// itself: the filtering service, the browser window it sits in, and the
// message boxes of the timed-access check. The shell implements them with
// ILog, IWebBrowser2 and MessageBox; tests implement them in memory.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tb::helper {

// The outcome of a call into the browser: zero or positive is success, a
// negative value is the browser's own error code, which ends the event and
// is handed back unchanged as its result.
using Status = int32_t;
inline bool succeeded(Status status) {
    return status >= 0;
}

// Ready states of a browser window.
enum ReadyState : int {
    kUninitialized = 0,
    kLoading = 1,
    kLoaded = 2,
    kInteractive = 3,
    kComplete = 4
};

// What the content check reads from a loaded (or loading) document: its
// address and, in element order, the title texts and meta names and
// contents. A piece that the document does not have is nullopt.
struct DocumentText {
    std::string url;
    std::vector<std::optional<std::string>> pieces;
};

class Browser {
  public:
    virtual ~Browser() = default;
    virtual Status menuBar(bool& shown) = 0;
    virtual Status stop() = 0;
    // flags: nullopt sends an empty Flags argument.
    virtual Status navigate(const std::string& url, std::optional<int32_t> flags) = 0;
    virtual Status quit() = 0;
    virtual Status showBar(bool show) = 0;
    virtual Status readyState(int& state) = 0;
    // nullopt when the window holds no HTML document.
    virtual Status document(std::optional<DocumentText>& out) = 0;
};

// Answers of the service. The numbers are kept as the service wrote them
// (a true VARIANT_BOOL from the service is 1, but other values occur and
// mean something different in places).
struct UpdateAnswer {
    int16_t answer = 0;
    std::string url;
};
struct TimedAnswer {
    int32_t err = 0;
    int32_t secondsLeft = 0;
};
struct FilterAnswer {
    int16_t allowed = 0;
    int16_t userAllowed = 0;
    std::string url;  // the block page when not allowed
};
struct ContentAnswer {
    int16_t passed = 0;
    std::string text;  // the page to show when not passed
};

enum class Reconnect {
    Failed,       // no service: the connection is null now
    SameService,  // the object that was there before answered again
    NewService,   // a different service object (the old one ended)
};

// Every call answers nullopt (or false) when it failed: no connection, the
// service ended, or it returned an error.
class Service {
  public:
    virtual ~Service() = default;
    virtual bool connected() const = 0;
    virtual Reconnect reconnect() = 0;
    virtual void disconnect() = 0;
    virtual bool addRefCount() = 0;
    virtual bool decRefCount() = 0;
    virtual std::optional<int16_t> tbOn() = 0;  // TBOn with the empty password
    virtual std::optional<UpdateAnswer> needUpdate() = 0;
    virtual std::optional<TimedAnswer> checkTimedAccess() = 0;
    virtual std::optional<FilterAnswer> filterURL(const std::string& url) = 0;
    virtual std::optional<ContentAnswer> passesFilterList(const std::string& documentUrl,
                                                          const std::string& text) = 0;
    virtual bool save() = 0;
};

// The four timed-access messages, by string number: 101 and 102 deny and
// close the window; 103 (minutes) and 104 (seconds) warn.
struct TimedMessage {
    int stringId = 0;
    std::optional<int> number;  // inserted for the string's %d
    bool denial = false;
};

class Dialogs {
  public:
    virtual ~Dialogs() = default;
    // Modal: returns when the user has dismissed the message.
    virtual void show(const TimedMessage& message) = 0;
};

}  // namespace tb::helper
