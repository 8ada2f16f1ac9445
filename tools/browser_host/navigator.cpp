#include "tools/browser_host/navigator.h"

#include <algorithm>
#include <cstdio>

#include "tools/browser_host/script.h"

namespace tb::host {

namespace {

std::string hex(int32_t status) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(status));
    return text;
}

}  // namespace

std::optional<std::string> LoadedDocument::title() const {
    for (size_t i = 0; i < revealed && i < elements.size(); ++i) {
        if (elements[i].kind == Element::Kind::Title) return elements[i].text;
    }
    return std::nullopt;
}

Navigator::Navigator(std::string window, WindowEvents& events, const PageSource& pages, Output& out)
    : window_(std::move(window)), events_(events), pages_(pages), out_(out) {}

void Navigator::userNavigate(const std::string& url, LoadPlan plan) {
    if (closing_) return;
    if (request_.active) {  // a held load that the user leaves
        endDownload();
        reportResult();
    }
    held_ = false;
    request_ = Request{canonicalAddress(url), "", true, false};
    running_ = true;
    offer(url, 0, false);
    runLoads(plan);
    running_ = false;
    if (!held_) reportResult();
}

bool Navigator::navigate(const std::string& requested, int32_t flags) {
    return offer(requested, flags, true);
}

void Navigator::reportPlugin(const std::string& url, const char* result) {
    out_.line(outputLine("nav", window_, {{"url", url}, {"result", result}, {"by", "plugin"}}));
}

bool Navigator::nestedTooDeep(const std::string& url) {
    if (nesting_ < kMaxNesting) return false;
    out_.line(
        outputLine("error", window_, {{"what", "navigations nested too deep"}, {"url", url}}));
    return true;
}

bool Navigator::offer(const std::string& requested, int32_t flags, bool byPlugin) {
    if (closing_ || nestedTooDeep(requested)) return false;
    const std::string url = canonicalAddress(requested);
    const uint64_t id = ++nextId_;
    ++nesting_;
    const bool wasStarting = starting_;
    starting_ = true;
    const WindowEvents::Verdict verdict = events_.beforeNavigate2(0, url, flags);
    starting_ = wasStarting;
    --nesting_;
    reportBefore(0, url, verdict);
    if (closing_ || verdict.cancel) {
        if (byPlugin) reportPlugin(url, closing_ ? "closed" : "cancelled");
        return true;
    }
    // A navigation started from inside this one's event has replaced it.
    if (pending_ && pending_->id > id) {
        if (byPlugin) reportPlugin(url, "replaced");
        return true;
    }
    if (pending_ && pending_->byPlugin) reportPlugin(pending_->url, "replaced");
    pending_ = Pending{url, flags, id, byPlugin};
    if (!running_) {
        // Asked for outside any event of this window (a plug-in's timer).
        held_ = false;
        running_ = true;
        runLoads(LoadPlan{});
        running_ = false;
        if (!held_) reportResult();
    }
    return true;
}

void Navigator::reportBefore(uint32_t frame, const std::string& url,
                             const WindowEvents::Verdict& verdict) {
    std::vector<std::pair<std::string, std::string>> fields = {{"url", url}};
    if (frame) fields.emplace_back("frame", std::to_string(frame));
    fields.emplace_back("cancel", verdict.cancel ? "1" : "0");
    fields.emplace_back("hr", hex(verdict.status));
    if (!verdict.sinks.empty()) fields.emplace_back("sinks", verdict.sinks);
    out_.line(outputLine("before", window_, fields));
}

std::vector<uint32_t> Navigator::frames() const {
    std::vector<uint32_t> ids;
    for (const Frame& f : frames_) ids.push_back(f.id);
    return ids;
}

Navigator::Frame* Navigator::frame(uint32_t id) {
    for (Frame& f : frames_) {
        if (f.id == id) return &f;
    }
    return nullptr;
}

std::shared_ptr<LoadedDocument> Navigator::frameDocument(uint32_t id) const {
    for (const Frame& f : frames_) {
        if (f.id == id) return f.document;
    }
    return nullptr;
}

bool Navigator::navigateFrame(uint32_t id, const std::string& url, int32_t flags) {
    if (closing_ || !frame(id) || nestedTooDeep(url)) return false;
    loadFrame(id, canonicalAddress(url), flags);
    return true;
}

// The frame's document arrives whole: its browser object raises
// BeforeNavigate2, then NavigateComplete2 and DocumentComplete.
bool Navigator::loadFrame(uint32_t id, const std::string& url, int32_t flags) {
    ++nesting_;
    const WindowEvents::Verdict verdict = events_.beforeNavigate2(id, url, flags);
    --nesting_;
    reportBefore(id, url, verdict);
    if (interrupted()) return false;
    if (verdict.cancel) return true;
    Frame* loaded = frame(id);  // the window's document may have changed meanwhile
    if (!loaded) return false;
    auto document = std::make_shared<LoadedDocument>();
    Page page = pages_.load(url);
    document->url = url;
    document->elements = std::move(page.elements);
    document->found = page.found;
    document->revealed = document->elements.size();
    document->readyState = kComplete;
    loaded->url = url;
    loaded->document = document;
    events_.navigateComplete2(id, url);
    if (interrupted()) return false;
    events_.documentComplete(id, url);
    return !interrupted();
}

bool Navigator::refresh(int steps) {
    if (closing_ || busy() || !document_) return false;
    request_ = Request{document_->url, "", true, false};
    running_ = true;
    reload(steps);
    endDownload();
    if (stopped_ && !pending_) request_.stopped = true;
    runLoads(LoadPlan{});
    running_ = false;
    if (!held_) reportResult();
    return true;
}

// The page's new copy replaces the document; the frames keep theirs.
void Navigator::reload(int steps) {
    stopped_ = false;
    if (!beginDownload()) return;
    const std::shared_ptr<LoadedDocument> document = newDocument(document_->url);
    events_.progressChange(0, kProgressMax);
    if (interrupted() || !arriveInSteps(steps)) return;
    document->revealed = document->elements.size();
    document->readyState = kComplete;
    events_.progressChange(-1, kProgressMax);
    if (interrupted()) return;
    if (std::optional<std::string> title = document->title()) {
        events_.titleChange(*title);
        if (interrupted()) return;
    }
    request_.shown = document->url;
}

void Navigator::stop() {
    stopped_ = true;
    if (held_) {
        held_ = false;
        request_.stopped = true;
    }
}

void Navigator::requestClose() {
    closing_ = true;
}

void Navigator::runLoads(LoadPlan first) {
    LoadPlan plan = first;
    int loads = 0;
    while (pending_ && !closing_) {
        if (++loads > kMaxLoads) {
            out_.line(
                outputLine("error", window_, {{"what", "navigations keep replacing each other"}}));
            pending_.reset();
            break;
        }
        const Pending next = *pending_;
        pending_.reset();
        stopped_ = false;
        load(next, plan);
        if (held_) return;
        endDownload();
        if (next.byPlugin) {
            reportPlugin(next.url, closing_                  ? "closed"
                                   : completedId_ == next.id ? "shown"
                                   : pending_                ? "replaced"
                                                             : "stopped");
        }
        if (stopped_ && !pending_) request_.stopped = true;
        plan = LoadPlan{};  // only the script's own navigation is paced or held
    }
}

void Navigator::load(const Pending& next, LoadPlan plan) {
    loadingId_ = next.id;
    if (!beginDownload()) return;
    const std::shared_ptr<LoadedDocument> document = newDocument(next.url);
    location_ = next.url;
    frames_.clear();
    for (const std::string& src : frameAddresses(document->elements))
        frames_.push_back(Frame{nextFrame_++, canonicalAddress(src), nullptr});
    events_.navigateComplete2(0, next.url);
    if (interrupted()) return;
    if (plan.hold) {
        held_ = true;
        return;
    }
    if (arriveInSteps(plan.steps)) complete();
}

// DownloadBegin, with the window loading; false when a plug-in interrupted.
bool Navigator::beginDownload() {
    downloading_ = true;
    starting_ = true;
    events_.downloadBegin();
    starting_ = false;
    return !interrupted();
}

// The page as the source gives it now, as the window's document, empty yet.
std::shared_ptr<LoadedDocument> Navigator::newDocument(const std::string& url) {
    auto document = std::make_shared<LoadedDocument>();
    Page page = pages_.load(url);
    document->url = url;
    document->elements = std::move(page.elements);
    document->found = page.found;
    document_ = document;
    return document;
}

// A ProgressChange for each step as more of the document arrives; false
// when a plug-in interrupted.
bool Navigator::arriveInSteps(int steps) {
    steps = steps < 0 ? 0 : steps;
    for (int step = 1; step <= steps; ++step) {
        const int percent = step * 100 / (steps + 1);
        revealShare(percent);
        events_.progressChange(percent * kProgressMax / 100, kProgressMax);
        if (interrupted()) return false;
    }
    return true;
}

void Navigator::complete() {
    const std::shared_ptr<LoadedDocument> document = document_;
    document->revealed = document->elements.size();
    // The frames arrive before the window's document is complete.
    document->readyState = kInteractive;
    std::vector<Frame> frames = frames_;
    for (const Frame& f : frames) {
        if (!loadFrame(f.id, f.url, 0)) return;
    }
    document->readyState = kComplete;
    events_.progressChange(-1, kProgressMax);
    if (interrupted()) return;
    if (std::optional<std::string> title = document->title()) {
        events_.titleChange(*title);
        if (interrupted()) return;
    }
    events_.documentComplete(0, document->url);
    completedId_ = loadingId_;
    request_.shown = document->url;
    endDownload();
}

// Every download that began ends with DownloadComplete, whether its page
// arrived, was stopped or was replaced.
void Navigator::endDownload() {
    if (!downloading_ || closing_) return;
    downloading_ = false;
    events_.downloadComplete();
}

void Navigator::revealShare(int percent) {
    if (!document_) return;
    const size_t n = document_->elements.size();
    const size_t clamped = static_cast<size_t>(percent < 0 ? 0 : percent > 100 ? 100 : percent);
    document_->revealed = std::max(document_->revealed, (n * clamped + 99) / 100);
    if (document_->revealed > 0 && document_->readyState < kInteractive)
        document_->readyState = kInteractive;
}

bool Navigator::reveal(int percent) {
    if (!held_) return false;
    revealShare(percent);
    return true;
}

bool Navigator::progress(int32_t value, int32_t progressMax) {
    if (!held_) return false;
    running_ = true;
    events_.progressChange(value, progressMax);
    afterHeldEvent();
    return true;
}

bool Navigator::finish() {
    if (!held_) return false;
    running_ = true;
    held_ = false;
    complete();
    if (pending_) runLoads(LoadPlan{});
    running_ = false;
    if (!held_) reportResult();
    return true;
}

// The plug-in may have stopped the held load or navigated elsewhere.
void Navigator::afterHeldEvent() {
    if (interrupted()) {
        held_ = false;
        endDownload();
        if (stopped_ && !pending_) request_.stopped = true;
        runLoads(LoadPlan{});
        if (!held_) reportResult();
    }
    running_ = false;
}

void Navigator::reportResult() {
    if (!request_.active) return;
    request_.active = false;
    std::vector<std::pair<std::string, std::string>> fields = {{"url", request_.url}};
    if (closing_) {
        fields.emplace_back("result", "closed");
    } else if (request_.shown.empty()) {
        fields.emplace_back("result", request_.stopped ? "stopped" : "cancelled");
    } else if (request_.shown == request_.url) {
        fields.emplace_back("result", "shown");
    } else {
        fields.emplace_back("result", "redirected");
        fields.emplace_back("to", request_.shown);
    }
    out_.line(outputLine("nav", window_, fields));
}

}  // namespace tb::host
