// Recognition of the browsers that the filter does not support, from the
// path of the module that creates a top-level window.
#pragma once

#include <string_view>

namespace tb::hook {

// True for a byte that starts a two-byte character in the system code page.
// On Windows this is IsDBCSLeadByte; single-byte code pages have none.
using IsLeadByte = bool (*)(unsigned char);

bool noLeadBytes(unsigned char);

// A module path cut like a file system path: everything up to and including
// the last separator ('\\', '/', or the colon of a drive), the file name
// without its extension, and the extension from the last dot on (".exe").
struct ModulePath {
    std::string_view directory;
    std::string_view name;
    std::string_view extension;
};

ModulePath splitModulePath(std::string_view path, IsLeadByte isLead);

// Equality without regard to the case of the letters A-Z; a two-byte
// character is compared byte for byte, so its second byte is never taken for
// a letter.
bool equalsIgnoringCase(std::string_view a, std::string_view b, IsLeadByte isLead);

// The hook looks only at top-level windows (no parent or owner) that carry
// a name, an empty one included. It skips the input-method window ("IME")
// that the system gives every thread with windows: that window is not the
// program's, though it may carry the program's instance.
bool isWatchedWindow(bool hasParent, bool hasName, std::string_view className);

enum class BrowserKind : unsigned { None = 0, NetscapeFamily = 1, Opera = 2 };

struct Browser {
    BrowserKind kind = BrowserKind::None;
    // The DDE service that answers for the browser: the Netscape-family
    // name as the browser spells it, or "Opera". Static and NUL-terminated.
    const char* service = nullptr;
};

// The Netscape family goes by its file name whatever the extension; Opera
// only as "opera.exe".
Browser recogniseBrowser(std::string_view modulePath, IsLeadByte isLead);

}  // namespace tb::hook
