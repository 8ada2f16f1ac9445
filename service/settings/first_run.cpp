#include "service/settings/first_run.h"

#include <cstdio>
#include <fstream>

#include "common/ansi_text.h"

namespace tb::settings {
namespace {

constexpr size_t kMaxTimezoneBytes = kMaxTimezoneChars;

// The file's first bytes as text: CR LF reads as LF, the text ends at a NUL
// or at the line end.
std::optional<std::string> readTimezoneFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::string raw(kMaxTimezoneBytes, '\0');
    in.read(raw.data(), static_cast<std::streamsize>(raw.size()));
    raw.resize(static_cast<size_t>(in.gcount()));
    std::string text(cString(raw));
    const size_t lineEnd = text.find_first_of("\r\n");
    if (lineEnd != std::string::npos) text.resize(lineEnd);
    return text;
}

}  // namespace

bool takeOverInstallerTimezone(const std::string& directory, SettingsStore& store) {
    const std::string helpFile = directory + kInstallerTimezoneFile;
    const std::optional<std::string> text = readTimezoneFile(helpFile);
    if (!text) return false;

    const bool takenOver = !text->empty();
    if (takenOver) {
        // The time component may be missing here (uninstall pending); the
        // text is taken over all the same.
        store.loadTimedAccess();
        Settings& s = store.settings();
        s.timezoneName = *text;
        s.timezoneOffset = timezoneOffsetOf(*text);
        store.writeTimedAccess();
        store.passOffsetToTimeServer();
    }
    std::remove(helpFile.c_str());
    std::remove((directory + kInstallerHelperProgram).c_str());
    return takenOver;
}

}  // namespace tb::settings
