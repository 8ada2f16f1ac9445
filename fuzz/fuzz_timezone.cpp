// The time-zone text: its offset from arbitrary text (always a quarter
// hour within a day either way), and the installer's hand-over file
// "tbhelp.dat" with arbitrary bytes, which becomes at most 199 characters
// of the settings and is gone afterwards.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>

#include "service/lists/tests/list_builder.h"
#include "service/settings/first_run.h"
#include "service/settings/settings.h"
#include "service/storage/tests/memory_compound_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const float offset = tb::settings::timezoneOffsetOf(input);
    if (!(std::fabs(offset) < 100.0f)) __builtin_trap();

    static const tb::testing::TempDirectory dir;
    dir.write("tbhelp.dat", input);
    tb::storage::testing::MemoryCompoundFiles files;
    const tb::storage::Latin1CodePage codePage;
    tb::settings::SettingsStore store(files, dir.file("tbd.dat"), codePage);
    tb::settings::takeOverInstallerTimezone(dir.dir(), store);
    const auto& name = store.settings().timezoneName;
    if (name && name->size() > tb::settings::kMaxTimezoneChars) __builtin_trap();
    if (dir.has("tbhelp.dat")) __builtin_trap();
    return 0;
}
