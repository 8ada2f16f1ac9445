// browser_host.exe: plays the browser for the plug-ins, driven by a script
// (a file, or standard input), and reports every outcome on standard output
// one line each.
//
//   browser_host.exe [--script=FILE] [--trace] [--bands] [--ack]
//                    [--timeout=SECONDS] [--helper={CLSID}]... [--no-helpers]
//                    [--other-bitness-host=PROGRAM]
//   browser_host.exe --crash-process=ID
//
// Commands (see script.h for the syntax):
//   pages DIR                          serve web addresses from DIR/host/path
//   page URL [title=T] [meta.NAME=CONTENT]... [frame=URL]... [html=TEXT]
//            [unreachable]             a page of the in-memory table (with
//                                      iframes); unreachable: a band's
//                                      browser control shows its error page
//   window NAME [menubar=0] [thread=OTHER]
//                                      open a window (menubar=0: a pop-up),
//                                      on a thread of its own or OTHER's
//   navigate NAME URL [steps=N] [hold] the user navigates; hold stops once
//                                      the document has begun to arrive
//   refresh NAME [steps=N]             the user reloads the page shown (no
//                                      BeforeNavigate2, NavigateComplete2 or
//                                      DocumentComplete; ProgressChange 0 first)
//   reveal NAME PERCENT                more of a held document arrives
//   progress NAME VALUE [max=N]        ProgressChange(VALUE, N) in a held load
//   finish NAME                        the held document completes
//   menubar NAME 0|1                   the user shows or hides the menu bar
//   state NAME                         report the window's address and state
//   close NAME                         the user closes the window
//   bands on|off                       create bands for ShowBrowserBar
//   explorerbar NAME {CLSID} [0|1]     the user shows or hides an explorer
//                                      bar from the browser's list
//   barclick NAME URL [frame=N]        the user follows a link in the page
//                                      of the band's browser control (or in
//                                      its frame N)
//   barstate NAME                      report what the band's control shows
//   bandfocus NAME                     the user tabs into the band
//   bandstate NAME                     report the band's window
//   rightclick NAME                    the user right-clicks the band site
//   bench NAME COUNT URL...            COUNT navigations, then the rate and how many
//                                      of them ended on a block page
//   daytime listen PORT                stand in for the public daytime server
//                                      on 127.0.0.1:PORT, 0 for a free one
//                                      (daytime_stand_in.h)
//   daytime answer SECONDS [wait=MS]   answer the waiting questions with the
//                                      computer's time moved by SECONDS
//   process end|crash|kill FILE        end every process of that file name in
//                                      order (WM_QUIT), by a crash (it exits
//                                      where it is) or by force
//   echo TEXT...    sleep MS    quit
//
// Output lines (values quoted when they hold blanks):
//   helper NAME clsid=... hr=...       a helper created and sited
//   window NAME event=opened|closed ...
//   before NAME url=... cancel=0|1 hr=... [sinks=NAME#N=HR,...]
//                                      each BeforeNavigate2: the first failure,
//                                      and with several plug-ins each one's
//                                      own result (helper, band, sink)
//   nav NAME url=... result=shown|redirected|cancelled|stopped|closed [to=...]
//   browser NAME call=Navigate|Stop|Quit|ShowBrowserBar|... ...
//   band NAME event=... [clsid=...] hr=...    a band created, shown, hidden
//   barview NAME call=... barbefore NAME ...  barnav NAME ...  barstate NAME ...
//                                      the band's browser control (see
//                                      bar_control.h, bar_navigator.h)
//   msgbox NAME caption=... text=...   a message box, answered with OK
//   event NAME event=... hr=... [sinks=...]    every event, with --trace
//   daytime listen port=N    daytime answer utc=... answered=N
//   process FILE found=N gone=0|1
//   state NAME ...    bench NAME ...    echo ...    error ...
// The exit code is 1 when a command was malformed, 3 when a window stopped
// answering.
#include <windows.h>
#include <ole2.h>

#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/ansi_text.h"
#include "common/com_convert.h"
#include "tools/browser_host/box_answerer.h"
#include "tools/browser_host/daytime_stand_in.h"
#include "tools/browser_host/host_window.h"
#include "tools/browser_host/page_source.h"
#include "tools/browser_host/process_control.h"
#include "tools/browser_host/script.h"
#include "tools/browser_host/window_thread.h"

using namespace tb::host;

namespace {

class ConsoleOutput : public Output {
  public:
    void line(const std::string& text) override {
        std::lock_guard<std::mutex> hold(lock_);
        if (muted_) return;
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    void mute(bool on) {
        std::lock_guard<std::mutex> hold(lock_);
        muted_ = on;
    }

  private:
    std::mutex lock_;
    bool muted_ = false;
};

struct Slot {
    std::shared_ptr<WindowThread> thread;
    HostWindow* window = nullptr;  // created, used and deleted on the thread
};

class Host {
  public:
    bool trace = false;
    bool bands = false;
    bool ack = false;
    DWORD timeoutMs = 60000;
    std::vector<CLSID> helpers;
    bool helpersGiven = false;

    int run(std::istream& in);

  private:
    void execute(const Command& c);
    void openWindow(const Command& c);
    void onWindow(const Command& c, const std::function<void(HostWindow&)>& job);
    bool runOn(Slot& slot, const std::string& name, const std::function<void()>& job);
    void closeAll();
    void bench(const Command& c);
    void daytime(const Command& c);
    void process(const Command& c);
    void error(const Command& c, const std::string& what);

    ConsoleOutput out_;
    BoxAnswerer boxes_{out_};
    PageSource pages_;
    DaytimeStandIn daytime_;
    std::map<std::string, Slot> windows_;
    int errors_ = 0;
    bool quit_ = false;
};

void Host::error(const Command& c, const std::string& what) {
    ++errors_;
    out_.line(outputLine("error", "",
                         {{"line", std::to_string(c.line)}, {"command", c.name}, {"what", what}}));
}

bool Host::runOn(Slot& slot, const std::string& name, const std::function<void()>& job) {
    const DWORD threadId = slot.thread->id();
    const bool done = slot.thread->run(
        job, [&] { boxes_.answer(threadId, name); }, timeoutMs);
    if (!done) {
        out_.line(outputLine("error", name, {{"what", "the window stopped answering"}}));
        std::fflush(stdout);
        ExitProcess(3);
    }
    return done;
}

void Host::openWindow(const Command& c) {
    if (c.words.empty()) return error(c, "window needs a name");
    const std::string name = c.words[0];
    if (windows_.count(name)) return error(c, "window " + name + " is open");
    Slot slot;
    if (std::optional<std::string> other = c.option("thread")) {
        const auto it = windows_.find(*other);
        if (it == windows_.end()) return error(c, "no window " + *other);
        slot.thread = it->second.thread;
    } else {
        slot.thread = std::make_shared<WindowThread>();
        if (!slot.thread->started()) return error(c, "cannot start a window thread");
    }
    WindowOptions options;
    options.menuBar = c.number("menubar", 1).value_or(1) != 0;
    options.trace = trace;
    options.bands = bands;
    options.helpers = helpersGiven ? &helpers : nullptr;
    HostWindow* window = nullptr;
    runOn(slot, name, [&] {
        auto* w = new HostWindow(name, options, pages_, out_);
        if (w->open()) {
            window = w;
        } else {
            delete w;
        }
    });
    if (!window) return error(c, "cannot create the window");
    slot.window = window;
    windows_[name] = slot;
}

void Host::onWindow(const Command& c, const std::function<void(HostWindow&)>& job) {
    if (c.words.empty()) return error(c, c.name + " needs a window");
    const auto it = windows_.find(c.words[0]);
    if (it == windows_.end()) return error(c, "no window " + c.words[0]);
    Slot slot = it->second;
    bool gone = false;
    runOn(slot, it->first, [&] {
        job(*slot.window);
        slot.window->closeIfQuit();
        if (!slot.window->closed()) slot.window->settle();
        slot.window->closeIfQuit();
        if (slot.window->closed()) {
            delete slot.window;
            gone = true;
        }
    });
    if (gone) windows_.erase(c.words[0]);
}

void Host::bench(const Command& c) {
    const long count = c.words.size() > 1 ? std::strtol(c.words[1].c_str(), nullptr, 10) : 0;
    if (count <= 0 || c.words.size() < 3) return error(c, "bench NAME COUNT URL...");
    const std::vector<std::string> urls(c.words.begin() + 2, c.words.end());
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    out_.mute(true);
    QueryPerformanceCounter(&start);
    // A navigation that ends on a block page counts as blocked.
    long blocked = 0;
    onWindow(c, [&](HostWindow& w) {
        for (long i = 0; i < count && !w.navigator().closeRequested(); ++i) {
            w.navigator().userNavigate(urls[static_cast<size_t>(i) % urls.size()], LoadPlan{});
            if (tb::lowered(w.navigator().locationUrl()).find("restricted") != std::string::npos)
                ++blocked;
        }
    });
    QueryPerformanceCounter(&end);
    out_.mute(false);
    const double seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    char rate[32];
    std::snprintf(rate, sizeof rate, "%.1f", seconds > 0 ? count / seconds : 0.0);
    char elapsed[32];
    std::snprintf(elapsed, sizeof elapsed, "%.3f", seconds);
    out_.line(outputLine("bench", c.words[0],
                         {{"navigations", std::to_string(count)},
                          {"blocked", std::to_string(blocked)},
                          {"seconds", elapsed},
                          {"per_second", rate}}));
}

void Host::daytime(const Command& c) {
    const std::string verb = c.words.empty() ? "" : c.words[0];
    std::optional<long> value;
    if (c.words.size() > 1) {
        char* end = nullptr;
        const long v = std::strtol(c.words[1].c_str(), &end, 10);
        if (!c.words[1].empty() && *end == '\0') value = v;
    }
    if (verb == "listen" && value && *value >= 0 && *value < 65536) {
        const uint16_t port = daytime_.listen(static_cast<uint16_t>(*value));
        if (!port) return error(c, "cannot listen on that port");
        out_.line(outputLine("daytime", "listen", {{"port", std::to_string(port)}}));
    } else if (verb == "answer" && value) {
        const std::optional<long> wait = c.number("wait", 30000);
        if (!wait || *wait < 0) return error(c, "wait=MS");
        if (!daytime_.listening()) return error(c, "daytime listen PORT first");
        int64_t utc = 0;
        const int answered = daytime_.answer(*value, static_cast<unsigned long>(*wait), &utc);
        out_.line(
            outputLine("daytime", "answer",
                       {{"utc", std::to_string(utc)}, {"answered", std::to_string(answered)}}));
    } else {
        error(c, "daytime listen PORT | daytime answer SECONDS [wait=MS]");
    }
}

void Host::process(const Command& c) {
    const std::string how = c.words.empty() ? "" : c.words[0];
    const EndMode mode = how == "crash"  ? EndMode::Crash
                         : how == "kill" ? EndMode::Force
                                         : EndMode::Orderly;
    if (c.words.size() != 2 || (how != "end" && how != "crash" && how != "kill"))
        return error(c, "process end|crash|kill FILE");
    bool gone = false;
    const int found = endProcesses(c.words[1], mode, timeoutMs, &gone);
    out_.line(outputLine("process", c.words[1],
                         {{"found", std::to_string(found)}, {"gone", gone ? "1" : "0"}}));
}

void Host::execute(const Command& c) {
    const std::string& n = c.name;
    const auto word = [&](size_t i) { return i < c.words.size() ? c.words[i] : std::string(); };
    if (n == "pages") {
        if (c.words.empty()) return error(c, "pages needs a directory");
        pages_.setDirectory(word(0));
    } else if (n == "page") {
        if (c.words.empty()) return error(c, "page needs an address");
        if (std::optional<std::string> html = c.option("html")) {
            pages_.define(canonicalAddress(word(0)), scanHtml(*html));
        } else {
            std::vector<std::pair<std::string, std::string>> metas;
            for (const auto& [key, value] : c.options) {
                if (key.rfind("meta.", 0) == 0) metas.emplace_back(key.substr(5), value);
            }
            std::vector<std::string> frames;
            for (const auto& [key, value] : c.options) {
                if (key == "frame") frames.push_back(value);
            }
            pages_.define(canonicalAddress(word(0)), tablePage(c.option("title"), metas, frames));
        }
        if (c.has("unreachable")) pages_.markUnreachable(canonicalAddress(word(0)));
    } else if (n == "window") {
        openWindow(c);
    } else if (n == "navigate") {
        if (c.words.size() < 2) return error(c, "navigate NAME URL");
        const std::optional<long> steps = c.number("steps", 3);
        if (!steps) return error(c, "steps must be a number");
        const LoadPlan plan{static_cast<int>(*steps), c.has("hold")};
        onWindow(c, [&](HostWindow& w) { w.navigator().userNavigate(word(1), plan); });
    } else if (n == "refresh") {
        const std::optional<long> steps = c.number("steps", 3);
        if (!steps) return error(c, "steps must be a number");
        bool refreshed = true;
        onWindow(
            c, [&](HostWindow& w) { refreshed = w.navigator().refresh(static_cast<int>(*steps)); });
        if (!refreshed) error(c, "no page to refresh in " + word(0));
    } else if (n == "reveal" || n == "progress" || n == "finish") {
        const long value = std::strtol(word(1).c_str(), nullptr, 10);
        const std::optional<long> max = c.number("max", Navigator::kProgressMax);
        bool held = true;
        onWindow(c, [&](HostWindow& w) {
            Navigator& nav = w.navigator();
            held = n == "reveal"     ? nav.reveal(static_cast<int>(value))
                   : n == "progress" ? nav.progress(static_cast<int32_t>(value),
                                                    static_cast<int32_t>(max.value_or(100)))
                                     : nav.finish();
        });
        if (!held) error(c, "no load is held in " + word(0));
    } else if (n == "menubar") {
        onWindow(c, [&](HostWindow& w) { w.setMenuBar(word(1) != "0"); });
    } else if (n == "state") {
        onWindow(c, [&](HostWindow& w) {
            const auto document = w.navigator().document();
            out_.line(outputLine("state", w.name(),
                                 {{"url", w.navigator().locationUrl()},
                                  {"ready", std::to_string(w.navigator().readyState())},
                                  {"menubar", w.menuBar() ? "1" : "0"},
                                  {"title", document ? document->title().value_or("") : ""}}));
        });
    } else if (n == "close") {
        onWindow(c, [&](HostWindow& w) { w.close(); });
    } else if (n == "bands") {
        bands = word(0) != "off";
        for (auto& [name, slot] : windows_) {
            HostWindow* w = slot.window;
            runOn(slot, name, [&] { w->setBands(bands); });
        }
    } else if (n == "explorerbar") {
        if (c.words.size() < 2) return error(c, "explorerbar NAME {CLSID} [0|1]");
        if (!bands) return error(c, "bands are off");
        const bool show = word(2) != "0";
        onWindow(c, [&](HostWindow& w) { w.userShowBar(tb::toWide(word(1)), show); });
    } else if (n == "barclick" || n == "barstate" || n == "bandfocus" || n == "bandstate") {
        if (n == "barclick" && c.words.size() < 2) return error(c, "barclick NAME URL [frame=N]");
        const std::optional<long> frame = c.number("frame", 0);
        if (!frame || *frame < 0) return error(c, "frame must be a number");
        bool found = true;
        onWindow(c, [&](HostWindow& w) {
            if (n == "bandfocus" || n == "bandstate") {
                found = n == "bandfocus" ? SUCCEEDED(w.bars().activate()) : w.bars().reportState();
                return;
            }
            BarControl* control = w.bars().control();
            if (!control) {
                found = false;
            } else if (n == "barstate") {
                control->reportState();
            } else {
                found = control->followLink(word(1), static_cast<uint32_t>(*frame));
            }
        });
        if (!found) error(c, "no band control or frame in " + word(0));
    } else if (n == "rightclick") {
        onWindow(c, [&](HostWindow& w) { w.rightClick(); });
    } else if (n == "bench") {
        bench(c);
    } else if (n == "daytime") {
        daytime(c);
    } else if (n == "process") {
        process(c);
    } else if (n == "echo") {
        std::string text;
        for (const std::string& w : c.words) text += (text.empty() ? "" : " ") + w;
        out_.line("echo " + text);
    } else if (n == "sleep") {
        Sleep(static_cast<DWORD>(std::strtoul(word(0).c_str(), nullptr, 10)));
    } else if (n == "quit") {
        quit_ = true;
    } else {
        error(c, "unknown command");
    }
}

void Host::closeAll() {
    for (auto& [name, slot] : windows_) {
        HostWindow* w = slot.window;
        runOn(slot, name, [&] {
            w->close();
            delete w;
        });
    }
    windows_.clear();
}

int Host::run(std::istream& in) {
    std::string text;
    int line = 0;
    while (!quit_ && std::getline(in, text)) {
        ++line;
        if (!text.empty() && text.back() == '\r') text.pop_back();
        const ParsedLine parsed = parseCommandLine(text, line);
        if (!parsed.error.empty()) {
            ++errors_;
            out_.line(
                outputLine("error", "", {{"line", std::to_string(line)}, {"what", parsed.error}}));
            continue;
        }
        if (!parsed.command) continue;
        execute(*parsed.command);
        if (ack) out_.line(outputLine("ok", "", {{"line", std::to_string(line)}}));
    }
    closeAll();
    return errors_ ? 1 : 0;
}

std::optional<std::string> argValue(const std::string& arg, const std::string& name) {
    if (arg.rfind(name + "=", 0) == 0) return arg.substr(name.size() + 1);
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    OleInitialize(nullptr);
    Host host;
    std::optional<std::string> script;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--trace") {
            host.trace = true;
        } else if (arg == "--bands") {
            host.bands = true;
        } else if (arg == "--no-helpers") {
            host.helpers.clear();
            host.helpersGiven = true;
        } else if (arg == "--ack") {
            host.ack = true;
        } else if (auto v = argValue(arg, "--script")) {
            script = *v;
        } else if (arg == "--script" && i + 1 < argc) {
            script = argv[++i];
        } else if (auto t = argValue(arg, "--timeout")) {
            host.timeoutMs = static_cast<DWORD>(std::strtoul(t->c_str(), nullptr, 10) * 1000);
        } else if (auto other = argValue(arg, "--other-bitness-host")) {
            tb::host::setOtherBitnessHost(*other);
        } else if (auto id = argValue(arg, "--crash-process")) {
            return tb::host::crashProcess(std::strtoul(id->c_str(), nullptr, 10)) ? 0 : 1;
        } else if (auto h = argValue(arg, "--helper")) {
            CLSID clsid;
            const std::wstring text = tb::toWide(*h);
            if (FAILED(CLSIDFromString(text.c_str(), &clsid))) {
                std::fprintf(stderr, "not a CLSID: %s\n", h->c_str());
                return 2;
            }
            host.helpers.push_back(clsid);
            host.helpersGiven = true;
        } else {
            std::fprintf(stderr,
                         "usage: browser_host [--script=FILE] [--trace] [--bands] [--ack] "
                         "[--timeout=SECONDS] [--helper={CLSID}]... [--no-helpers] "
                         "[--other-bitness-host=PROGRAM]\n"
                         "       browser_host --crash-process=ID\n");
            return 2;
        }
    }
    int rc = 0;
    if (script) {
        std::ifstream in(*script, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "cannot read %s\n", script->c_str());
            return 2;
        }
        rc = host.run(in);
    } else {
        rc = host.run(std::cin);
    }
    OleUninitialize();
    return rc;
}
