#include "hook/browser_match.h"

#include "common/ansi_text.h"

namespace tb::hook {
namespace {

constexpr const char* kNetscapeFamily[] = {"navstart", "Netscape", "netscp6"};
constexpr std::string_view kOperaName = "opera";
constexpr std::string_view kOperaExtension = ".exe";
constexpr const char* kOperaService = "Opera";
constexpr std::string_view kInputMethodClass = "IME";

// Length of the character that starts at text[i]: 2 for a lead byte that has
// its second byte, else 1.
size_t charLength(std::string_view text, size_t i, IsLeadByte isLead) {
    return (isLead(static_cast<unsigned char>(text[i])) && i + 1 < text.size()) ? 2 : 1;
}

}  // namespace

bool noLeadBytes(unsigned char) {
    return false;
}

ModulePath splitModulePath(std::string_view path, IsLeadByte isLead) {
    size_t nameStart = 0;
    size_t lastDot = std::string_view::npos;
    for (size_t i = 0; i < path.size();) {
        const size_t len = charLength(path, i, isLead);
        if (len == 1) {
            const char c = path[i];
            if (c == '\\' || c == '/' || (c == ':' && i == 1)) {
                nameStart = i + 1;
                lastDot = std::string_view::npos;
            } else if (c == '.') {
                lastDot = i;
            }
        }
        i += len;
    }
    const size_t nameEnd = lastDot == std::string_view::npos ? path.size() : lastDot;
    return ModulePath{path.substr(0, nameStart), path.substr(nameStart, nameEnd - nameStart),
                      path.substr(nameEnd)};
}

bool equalsIgnoringCase(std::string_view a, std::string_view b, IsLeadByte isLead) {
    size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const size_t la = charLength(a, i, isLead);
        const size_t lb = charLength(b, j, isLead);
        if (la != lb) return false;
        if (la == 1) {
            if (asciiLower(a[i]) != asciiLower(b[j])) return false;
        } else if (a.substr(i, 2) != b.substr(j, 2)) {
            return false;
        }
        i += la;
        j += lb;
    }
    return i == a.size() && j == b.size();
}

bool isWatchedWindow(bool hasParent, bool hasName, std::string_view className) {
    return !hasParent && hasName && !equalsIgnoringCase(className, kInputMethodClass, noLeadBytes);
}

Browser recogniseBrowser(std::string_view modulePath, IsLeadByte isLead) {
    const ModulePath parts = splitModulePath(modulePath, isLead);
    for (const char* name : kNetscapeFamily) {
        if (equalsIgnoringCase(parts.name, name, isLead))
            return {BrowserKind::NetscapeFamily, name};
    }
    if (equalsIgnoringCase(parts.name, kOperaName, isLead) &&
        equalsIgnoringCase(parts.extension, kOperaExtension, isLead)) {
        return {BrowserKind::Opera, kOperaService};
    }
    return {};
}

}  // namespace tb::hook
