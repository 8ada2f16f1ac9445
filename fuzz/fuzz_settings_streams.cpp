// The readers of the settings streams "TA" and "Cat" on arbitrary bytes: no
// crash, no read beyond the bytes, and a time-zone text no longer than the
// stream could hold.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "service/settings/settings_streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> bytes(data, data + size);
    const tb::storage::Latin1CodePage codePage;

    tb::settings::Settings settings;
    if (tb::settings::decodeTimedAccess(bytes, settings, codePage)) {
        if (size < 378 || !settings.timezoneName || settings.timezoneName->size() > (size - 378) / 2) {
            __builtin_trap();
        }
    }
    tb::settings::decodeCategories(bytes, settings);
    return 0;
}
