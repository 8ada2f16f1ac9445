// The Manager's reading of the service's log lines ("%ld %s") on arbitrary
// text: a time and an address for every line, and what it formats again
// reads back the same.
#include <cstddef>
#include <cstdint>
#include <string>

#include "manager/site_list_rules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const tb::manager::LoggedSite site = tb::manager::parseLoggedSite(line);
    tb::manager::entryAddress(line);
    const std::string again = tb::manager::formatLoggedSite(site.time, site.address);
    const tb::manager::LoggedSite back = tb::manager::parseLoggedSite(again);
    if (back.time != site.time) __builtin_trap();
    return 0;
}
