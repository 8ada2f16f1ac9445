#include "tools/browser_host/host_output.h"

#include <sstream>

namespace tb::host {

HostOutput HostOutput::parse(const std::string& text) {
    HostOutput parsed;
    std::istringstream in(text);
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const ParsedLine p = parseCommandLine(line, ++n);
        if (p.command) parsed.out.push_back(*p.command);
    }
    return parsed;
}

std::vector<Command> HostOutput::lines(const std::string& kind, const std::string& window) const {
    std::vector<Command> found;
    for (const Command& c : out) {
        if (c.name == kind && (window.empty() || (!c.words.empty() && c.words[0] == window)))
            found.push_back(c);
    }
    return found;
}

std::vector<std::string> HostOutput::results(const std::string& window) const {
    std::vector<std::string> found;
    for (const Command& c : lines("nav", window)) {
        if (c.option("by")) continue;  // a plug-in's own navigation
        std::string r = c.option("result").value_or("?");
        if (auto to = c.option("to")) r += " " + *to;
        found.push_back(r);
    }
    return found;
}

std::vector<std::string> HostOutput::browserCalls(const std::string& window) const {
    std::vector<std::string> found;
    for (const Command& c : lines("browser", window)) {
        std::string s = c.option("call").value_or("?");
        for (const char* key : {"url", "flags", "show"}) {
            if (auto v = c.option(key)) s += std::string(" ") + key + "=" + *v;
        }
        found.push_back(s);
    }
    return found;
}

std::vector<std::string> HostOutput::boxes() const {
    std::vector<std::string> found;
    for (const Command& c : lines("msgbox")) found.push_back(c.option("text").value_or(""));
    return found;
}

std::vector<std::string> HostOutput::boxCaptions() const {
    std::vector<std::string> found;
    for (const Command& c : lines("msgbox")) found.push_back(c.option("caption").value_or(""));
    return found;
}

}  // namespace tb::host
