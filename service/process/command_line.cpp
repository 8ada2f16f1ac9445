#include "service/process/command_line.h"

#include "common/ansi_text.h"

namespace tb {

namespace {

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) return false;
    }
    return true;
}

}  // namespace

ServiceCommand parseCommandLine(std::string_view commandLine) {
    while (!commandLine.empty() && (commandLine.back() == ' ' || commandLine.back() == '\t')) {
        commandLine.remove_suffix(1);
    }
    for (size_t i = 0; i < commandLine.size(); ++i) {
        if (commandLine[i] != '-' && commandLine[i] != '/') continue;
        const std::string_view rest = commandLine.substr(i + 1);
        if (sameIgnoringCase(rest, "UnregServer")) return ServiceCommand::UnregServer;
        if (sameIgnoringCase(rest, "RegServer")) return ServiceCommand::RegServer;
    }
    return ServiceCommand::Run;
}

}  // namespace tb
