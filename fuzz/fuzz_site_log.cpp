// The readers of tbl.log (formats 1 and 2) and tblB.log on arbitrary
// stream bytes: no crash, no read or allocation beyond the bytes, and never
// more records than the bytes can hold.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/list_encoding.h"
#include "service/sitelog/site_log_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    const tb::storage::Latin1CodePage codePage;

    // A visited record takes at least 13 bytes (format 1: 17), a blocked one 8.
    const tb::sitelog::DecodedLog visited = tb::sitelog::decodeVisitedLog(bytes, "qa7Zk", 1, codePage);
    if (visited.sites.size() > size / 13) __builtin_trap();
    const tb::sitelog::DecodedLog blocked = tb::sitelog::decodeBlockedLog(bytes, tb::kDefaultListKey, codePage);
    if (blocked.sites.size() > size / 8) __builtin_trap();
    for (const tb::sitelog::LoggedSite& site : blocked.sites) {
        if (site.allowed != 1 || site.hits != 0) __builtin_trap();
    }
    return 0;
}
