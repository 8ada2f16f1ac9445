// Module paths come from other programs: splitting and recognising any
// bytes, in a single-byte and a double-byte code page, stays inside them.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "hook/browser_match.h"

namespace {
bool shiftJisLead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view path(reinterpret_cast<const char*>(data), size);
    for (tb::hook::IsLeadByte isLead : {tb::hook::noLeadBytes, shiftJisLead}) {
        const tb::hook::ModulePath parts = tb::hook::splitModulePath(path, isLead);
        if (parts.directory.size() + parts.name.size() + parts.extension.size() != size)
            __builtin_trap();
        tb::hook::recogniseBrowser(path, isLead);
        tb::hook::equalsIgnoringCase(parts.name, parts.extension, isLead);
    }
    return 0;
}
