// The navigation of the web browser control that a band hosts for its own
// pages, as the browser runs it: BeforeNavigate2 is offered when a
// navigation is asked for (and may cancel it); the load itself comes later,
// from the message loop (here: when the host settles the window after a
// command). A load raises NavigateComplete2 for the page, then for each of
// its frames BeforeNavigate2, NavigateComplete2 and DocumentComplete, and
// last DocumentComplete for the page. An unreachable address shows the
// browser's error page instead. A newer navigation, or Stop, ends the load
// after the event in which it happened.
//
// Frames are numbered from 1 for the life of the control; 0 is the control
// itself. Each navigation that completes or ends is one line:
//   barnav <window> url=<address> result=shown|error|cancelled|replaced|stopped [frame=<n>]
// and every BeforeNavigate2 one line:
//   barbefore <window> url=<address> [frame=<n>] cancel=0|1 hr=<event result>
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tools/browser_host/navigator.h"
#include "tools/browser_host/page_source.h"

namespace tb::host {

// The address of the browser's error page for an address it cannot reach.
std::string errorPageFor(const std::string& url);

class BarEvents {
  public:
    virtual ~BarEvents() = default;
    virtual WindowEvents::Verdict beforeNavigate2(uint32_t frame, const std::string& url) = 0;
    virtual void navigateComplete2(uint32_t frame, const std::string& url) = 0;
    virtual void documentComplete(uint32_t frame, const std::string& url) = 0;
};

class BarNavigator {
  public:
    static constexpr int kMaxNesting = 16;
    static constexpr int kMaxLoads = 32;

    struct Frame {
        uint32_t id = 0;
        std::string location;
    };

    BarNavigator(std::string window, BarEvents& events, const PageSource& pages, Output& out);

    // Navigates the control (frame 0) or one of its frames: offered now,
    // loaded by run(). False when it cannot be started.
    bool navigate(const std::string& url, uint32_t frame = 0);
    void stop();
    // Loads what has been asked for, until nothing is left.
    void run();
    bool pending() const { return pending_.has_value(); }

    const std::string& location() const { return location_; }
    const std::vector<Frame>& frames() const { return frames_; }
    // The frame's current address; nullopt for a frame the page no longer has.
    std::optional<std::string> frameLocation(uint32_t frame) const;

  private:
    struct Request {
        std::string url;
        uint32_t frame = 0;
        uint64_t id = 0;
    };

    void load(const Request& request);
    bool loadFrame(uint32_t frame, const std::string& url, bool raiseBefore);
    bool interrupted() const { return stopped_ || pending_.has_value(); }
    void report(const Request& request, const std::string& result);
    Frame* frame(uint32_t id);

    std::string window_;
    BarEvents& events_;
    const PageSource& pages_;
    Output& out_;

    std::string location_;
    std::vector<Frame> frames_;
    uint32_t nextFrame_ = 1;
    std::optional<Request> pending_;
    uint64_t nextId_ = 0;
    int nesting_ = 0;
    bool stopped_ = false;
};

}  // namespace tb::host
