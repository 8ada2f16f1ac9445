#include "tools/browser_host/bar_navigator.h"

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

std::string errorPageFor(const std::string& url) {
    return "res://ieframe.dll/dnserrordiagoff.htm#" + url;
}

BarNavigator::BarNavigator(std::string window, BarEvents& events, const PageSource& pages,
                           Output& out)
    : window_(std::move(window)), events_(events), pages_(pages), out_(out) {}

std::optional<std::string> BarNavigator::frameLocation(uint32_t id) const {
    for (const Frame& f : frames_) {
        if (f.id == id) return f.location;
    }
    return std::nullopt;
}

BarNavigator::Frame* BarNavigator::frame(uint32_t id) {
    for (Frame& f : frames_) {
        if (f.id == id) return &f;
    }
    return nullptr;
}

bool BarNavigator::navigate(const std::string& requested, uint32_t target) {
    if (target != 0 && !frame(target)) return false;
    if (nesting_ >= kMaxNesting) {
        out_.line(outputLine("error", window_,
                             {{"what", "bar navigations nested too deep"}, {"url", requested}}));
        return false;
    }
    const std::string url = canonicalAddress(requested);
    const Request request{url, target, ++nextId_};
    ++nesting_;
    const WindowEvents::Verdict verdict = events_.beforeNavigate2(target, url);
    --nesting_;
    std::vector<std::pair<std::string, std::string>> fields = {{"url", url}};
    if (target) fields.emplace_back("frame", std::to_string(target));
    fields.emplace_back("cancel", verdict.cancel ? "1" : "0");
    fields.emplace_back("hr", hex(verdict.status));
    out_.line(outputLine("barbefore", window_, fields));
    if (verdict.cancel) {
        report(request, "cancelled");
        return true;
    }
    // A navigation started from inside this one's event has replaced it.
    if (pending_ && pending_->id > request.id) {
        report(request, "replaced");
        return true;
    }
    if (pending_) report(*pending_, "replaced");
    pending_ = request;
    return true;
}

void BarNavigator::stop() {
    stopped_ = true;
    if (pending_) {
        report(*pending_, "stopped");
        pending_.reset();
    }
}

void BarNavigator::run() {
    int loads = 0;
    while (pending_) {
        if (++loads > kMaxLoads) {
            out_.line(outputLine("error", window_,
                                 {{"what", "bar navigations keep replacing each other"}}));
            pending_.reset();
            break;
        }
        const Request next = *pending_;
        pending_.reset();
        stopped_ = false;
        load(next);
    }
}

void BarNavigator::report(const Request& request, const std::string& result) {
    std::vector<std::pair<std::string, std::string>> fields = {{"url", request.url},
                                                               {"result", result}};
    if (request.frame) fields.emplace_back("frame", std::to_string(request.frame));
    out_.line(outputLine("barnav", window_, fields));
}

// A frame's own load; false when it was interrupted.
bool BarNavigator::loadFrame(uint32_t id, const std::string& url, bool raiseBefore) {
    if (raiseBefore) {
        ++nesting_;
        const WindowEvents::Verdict verdict = events_.beforeNavigate2(id, url);
        --nesting_;
        out_.line(outputLine("barbefore", window_,
                             {{"url", url},
                              {"frame", std::to_string(id)},
                              {"cancel", verdict.cancel ? "1" : "0"},
                              {"hr", hex(verdict.status)}}));
        if (interrupted()) return false;
        if (verdict.cancel) return true;
    }
    Frame* f = frame(id);
    if (!f) return false;
    const std::string shown = pages_.unreachable(url) ? errorPageFor(url) : url;
    f->location = shown;
    events_.navigateComplete2(id, shown);
    if (interrupted()) return false;
    events_.documentComplete(id, shown);
    return !interrupted();
}

void BarNavigator::load(const Request& request) {
    const bool reachable = !pages_.unreachable(request.url);
    const auto ended = [&] { report(request, stopped_ ? "stopped" : "replaced"); };
    if (request.frame) {
        if (!loadFrame(request.frame, request.url, false)) return ended();
        return report(request, reachable ? "shown" : "error");
    }
    const std::string shown = reachable ? request.url : errorPageFor(request.url);
    const std::vector<std::string> sources =
        reachable ? frameAddresses(pages_.load(request.url).elements) : std::vector<std::string>{};
    location_ = shown;
    frames_.clear();
    std::vector<uint32_t> ids;
    for (size_t i = 0; i < sources.size(); ++i) {
        ids.push_back(nextFrame_++);
        frames_.push_back(Frame{ids.back(), ""});
    }
    events_.navigateComplete2(0, shown);
    if (interrupted()) return ended();
    for (size_t i = 0; i < ids.size(); ++i) {
        if (!loadFrame(ids[i], canonicalAddress(sources[i]), true)) return ended();
    }
    events_.documentComplete(0, shown);
    report(request, reachable ? "shown" : "error");
}

}  // namespace tb::host
