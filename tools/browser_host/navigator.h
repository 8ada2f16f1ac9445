// The navigation of one browser window, as the browser runs it for its
// plug-ins: every navigation is first offered to them in BeforeNavigate2
// (which may cancel it, or start another navigation from inside); an
// accepted one is loaded with DownloadBegin, NavigateComplete2, a
// ProgressChange for every step in which more of the document is revealed;
// then each of its frames (the page's frame and iframe elements, in
// document order) with its own browser object: BeforeNavigate2, and unless
// cancelled NavigateComplete2 and DocumentComplete; then ProgressChange with
// Progress -1, TitleChange, the window's own DocumentComplete, last, and
// DownloadComplete. A plug-in's Stop or a newer navigation interrupts the
// load after the event in which it happened, and DownloadComplete still
// ends the download that began; Quit ends everything.
//
// A refresh downloads the shown page again without navigating: the browser
// raises no BeforeNavigate2, NavigateComplete2 or DocumentComplete for it,
// only DownloadBegin, ProgressChange from 0 (the new download) to -1,
// TitleChange and DownloadComplete. The page's frames stay as they were.
//
// The outcome of each navigation that the script starts is one line:
//   nav <window> url=<address> result=shown|redirected|cancelled|stopped|closed [to=<address>]
// and of each that a plug-in starts with Navigate (a redirect to a block
// page, a link the bar sends on), reported when it ends:
//   nav <window> url=<address> result=shown|cancelled|replaced|stopped|closed by=plugin
// and every BeforeNavigate2 one line:
//   before <window> url=<address> [frame=<n>] cancel=0|1 hr=<event result>
//   [sinks=<name#n=result,...>]
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tools/browser_host/page_source.h"

namespace tb::host {

enum ReadyState : int {
    kUninitialized = 0,
    kLoading = 1,
    kLoaded = 2,
    kInteractive = 3,
    kComplete = 4
};

// The document of the window: the page and how much of it has arrived.
struct LoadedDocument {
    std::string url;
    std::vector<Element> elements;
    bool found = false;
    size_t revealed = 0;
    int readyState = kLoading;

    std::optional<std::string> title() const;
};

class WindowEvents {
  public:
    struct Verdict {
        bool cancel = false;
        int32_t status = 0;  // the event's result (an HRESULT on Windows)
        std::string sinks;   // each sink's own result, when there are several to tell apart
    };
    virtual ~WindowEvents() = default;
    // frame: 0 for the window itself, else the frame whose browser object
    // raises the event.
    virtual Verdict beforeNavigate2(uint32_t frame, const std::string& url, int32_t flags) = 0;
    virtual void downloadBegin() = 0;
    virtual void navigateComplete2(uint32_t frame, const std::string& url) = 0;
    virtual void progressChange(int32_t progress, int32_t progressMax) = 0;
    virtual void titleChange(const std::string& title) = 0;
    virtual void documentComplete(uint32_t frame, const std::string& url) = 0;
    virtual void downloadComplete() = 0;
};

class Output {
  public:
    virtual ~Output() = default;
    virtual void line(const std::string& text) = 0;
};

struct LoadPlan {
    int steps = 3;      // ProgressChange events while the document arrives
    bool hold = false;  // stop after NavigateComplete2; the script reveals and finishes
};

class Navigator {
  public:
    static constexpr int32_t kProgressMax = 100;
    // BeforeNavigate2 nested this deep (a navigation started from inside
    // the event of the one before, and so on) is refused.
    static constexpr int kMaxNesting = 16;
    // Loads that replace each other within one navigation of the script.
    static constexpr int kMaxLoads = 32;

    Navigator(std::string window, WindowEvents& events, const PageSource& pages, Output& out);

    // A navigation of the user (the script): runs to its end unless held.
    void userNavigate(const std::string& url, LoadPlan plan);
    // IWebBrowser2::Navigate of a plug-in: offered now, loaded once the
    // event that asked for it returns. False when it cannot be started.
    bool navigate(const std::string& url, int32_t flags);
    // IWebBrowser2::Navigate on a frame's browser object: the frame alone
    // is offered and loaded. False for a frame the document does not have.
    bool navigateFrame(uint32_t frame, const std::string& url, int32_t flags);
    // IWebBrowser2::Refresh: false when no page is shown or a load is
    // under way.
    bool refresh(int steps);
    void stop();
    void requestClose();
    bool closeRequested() const { return closing_; }

    // A held load: reveal a share of the document (making it interactive),
    // raise ProgressChange, or finish it.
    bool holding() const { return held_; }
    bool reveal(int percent);
    bool progress(int32_t value, int32_t progressMax);
    bool finish();

    std::shared_ptr<LoadedDocument> document() const { return document_; }
    // The frames of the window's document, by number (from 1, never reused
    // in a window); a frame not loaded (or cancelled) has no document.
    std::vector<uint32_t> frames() const;
    std::shared_ptr<LoadedDocument> frameDocument(uint32_t frame) const;
    const std::string& locationUrl() const { return location_; }
    // Loading while a navigation of the window is offered and its download
    // begins, as the browser reports it then; else the document's state.
    int readyState() const {
        if (starting_) return kLoading;
        return document_ ? document_->readyState : kUninitialized;
    }
    bool busy() const { return running_ || held_; }

  private:
    struct Pending {
        std::string url;
        int32_t flags = 0;
        uint64_t id = 0;
        bool byPlugin = false;
    };
    struct Request {
        std::string url;
        std::string shown;  // the last page loaded to its end for it
        bool active = false;
        bool stopped = false;
    };

    bool offer(const std::string& requested, int32_t flags, bool byPlugin);
    // Reports and refuses a navigation started from inside kMaxNesting others.
    bool nestedTooDeep(const std::string& url);
    void reportPlugin(const std::string& url, const char* result);
    void runLoads(LoadPlan first);
    void load(const Pending& next, LoadPlan plan);
    struct Frame {
        uint32_t id = 0;
        std::string url;
        std::shared_ptr<LoadedDocument> document;
    };
    bool beginDownload();
    std::shared_ptr<LoadedDocument> newDocument(const std::string& url);
    bool arriveInSteps(int steps);
    void complete();
    void reload(int steps);
    void endDownload();
    // A frame's own load; false when it was interrupted.
    bool loadFrame(uint32_t frame, const std::string& url, int32_t flags);
    Frame* frame(uint32_t id);
    void reportBefore(uint32_t frame, const std::string& url, const WindowEvents::Verdict& verdict);
    bool interrupted() const { return closing_ || stopped_ || pending_.has_value(); }
    void revealShare(int percent);
    void afterHeldEvent();
    void reportResult();

    std::string window_;
    WindowEvents& events_;
    const PageSource& pages_;
    Output& out_;

    std::shared_ptr<LoadedDocument> document_;
    std::vector<Frame> frames_;
    uint32_t nextFrame_ = 1;
    std::string location_;
    std::optional<Pending> pending_;
    uint64_t nextId_ = 0;
    uint64_t loadingId_ = 0;    // the navigation being loaded
    uint64_t completedId_ = 0;  // the last one whose DocumentComplete was raised
    int nesting_ = 0;
    bool running_ = false;
    bool starting_ = false;
    bool downloading_ = false;  // DownloadBegin raised, DownloadComplete not yet
    bool stopped_ = false;
    bool closing_ = false;
    bool held_ = false;
    Request request_;
};

}  // namespace tb::host
