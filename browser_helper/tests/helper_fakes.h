// In-memory stand-ins for the helper's seams: a scripted service and a
// browser that record every call in order.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "browser_helper/seams.h"

namespace tb::helper::testing {

// Answers are taken from a per-method queue first, then from the default.
// A queued nullopt is a failed call.
class FakeService : public Service {
  public:
    bool up = true;              // a service object is connected
    bool reachable = true;       // a reconnect finds a service
    bool restartsAsNew = false;  // a reconnect finds a different service object
    int16_t filterOn = 1;
    UpdateAnswer update;
    TimedAnswer timed{0, 86400};
    FilterAnswer filter{1, 0, ""};
    ContentAnswer content{1, ""};
    bool saveWorks = true;

    std::deque<std::optional<int16_t>> tbOnQueue;
    std::deque<std::optional<UpdateAnswer>> updateQueue;
    std::deque<std::optional<TimedAnswer>> timedQueue;
    std::deque<std::optional<FilterAnswer>> filterQueue;
    std::deque<std::optional<ContentAnswer>> contentQueue;
    std::deque<bool> refQueue;  // AddRefCount and DecRefCount

    std::vector<std::string> calls;
    std::vector<std::string> sentTexts;  // passesFilterList texts

    // Calls since the last reset, by name.
    int count(const std::string& name) const {
        int n = 0;
        for (const std::string& c : calls) n += c.rfind(name, 0) == 0 ? 1 : 0;
        return n;
    }

    bool connected() const override { return up; }
    Reconnect reconnect() override {
        calls.push_back("reconnect");
        up = reachable;
        if (!up) return Reconnect::Failed;
        return restartsAsNew ? Reconnect::NewService : Reconnect::SameService;
    }
    void disconnect() override {
        calls.push_back("disconnect");
        up = false;
    }
    bool addRefCount() override { return refCall("AddRefCount"); }
    bool decRefCount() override { return refCall("DecRefCount"); }
    std::optional<int16_t> tbOn() override { return answer("TBOn", tbOnQueue, filterOn); }
    std::optional<UpdateAnswer> needUpdate() override {
        return answer("needUpdate", updateQueue, update);
    }
    std::optional<TimedAnswer> checkTimedAccess() override {
        return answer("CheckTimedAccess", timedQueue, timed);
    }
    std::optional<FilterAnswer> filterURL(const std::string& url) override {
        return answer("FilterURL " + url, filterQueue, filter);
    }
    std::optional<ContentAnswer> passesFilterList(const std::string& documentUrl,
                                                  const std::string& text) override {
        sentTexts.push_back(text);
        return answer("passesFilterList " + documentUrl, contentQueue, content);
    }
    bool save() override {
        calls.push_back("Save");
        return up && saveWorks;
    }

  private:
    template <class T>
    std::optional<T> answer(const std::string& call, std::deque<std::optional<T>>& queue,
                            const T& fallback) {
        calls.push_back(call);
        if (!up) return std::nullopt;
        if (queue.empty()) return fallback;
        std::optional<T> next = queue.front();
        queue.pop_front();
        return next;
    }
    bool refCall(const std::string& call) {
        calls.push_back(call);
        if (!up) return false;
        if (refQueue.empty()) return true;
        const bool next = refQueue.front();
        refQueue.pop_front();
        return next;
    }
};

class FakeBrowser : public Browser {
  public:
    bool menuBarShown = true;
    int state = kComplete;
    std::optional<DocumentText> doc;
    Status failNavigate = 0;
    // Raised for every Navigate, as the browser raises BeforeNavigate2
    // for the new address during the call.
    std::function<void(const std::string&)> onNavigate;

    std::vector<std::string> calls;

    Status menuBar(bool& shown) override {
        shown = menuBarShown;
        return 0;
    }
    Status stop() override {
        calls.push_back("Stop");
        return 0;
    }
    Status navigate(const std::string& url, std::optional<int32_t> flags) override {
        calls.push_back("Navigate " + url + (flags ? " flags=" + std::to_string(*flags) : ""));
        if (failNavigate < 0) return failNavigate;
        if (onNavigate) onNavigate(url);
        return 0;
    }
    Status quit() override {
        calls.push_back("Quit");
        return 0;
    }
    Status showBar(bool show) override {
        calls.push_back(std::string("ShowBrowserBar ") + (show ? "1" : "0"));
        return 0;
    }
    Status readyState(int& out) override {
        out = state;
        return 0;
    }
    Status document(std::optional<DocumentText>& out) override {
        out = doc;
        return 0;
    }
};

class FakeDialogs : public Dialogs {
  public:
    std::vector<TimedMessage> shown;
    void show(const TimedMessage& message) override { shown.push_back(message); }
};

}  // namespace tb::helper::testing
