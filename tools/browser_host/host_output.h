// The host's standard output read back: its lines parsed with the command
// syntax, and the questions the tests of the browser plug-ins ask of them.
#pragma once

#include <string>
#include <vector>

#include "tools/browser_host/script.h"

namespace tb::host {

struct HostOutput {
    std::vector<Command> out;  // the host's lines, in order

    static HostOutput parse(const std::string& text);

    // The lines of one kind, optionally for one window.
    std::vector<Command> lines(const std::string& kind, const std::string& window = "") const;
    // "result[ to]" of each navigation the script started in a window.
    std::vector<std::string> results(const std::string& window = "main") const;
    // "call[ url=..][ flags=..][ show=..]" of each call the helper made on
    // a window's browser.
    std::vector<std::string> browserCalls(const std::string& window = "main") const;
    // The texts and the captions of the message boxes, in order.
    std::vector<std::string> boxes() const;
    std::vector<std::string> boxCaptions() const;
};

}  // namespace tb::host
