// The index header and searchListFile over arbitrary list-file bytes: the
// first line of the input is the address (encoded as the service encodes
// it), the rest is the file. No crash, no endless loop, no read outside
// the data, and a match cuts the address to a prefix of itself.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/list_encoding.h"
#include "service/lists/list_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024) return 0;
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t cut = input.find('\n');
    if (cut == std::string::npos || cut > 300) return 0;
    const std::string address = tb::encoded(input.substr(0, cut), tb::kDefaultListKey);
    const std::string bytes = input.substr(cut + 1);

    auto file = tb::TextFile::adopt(std::tmpfile());
    if (!file) return 0;
    file->write(bytes);  // the rule turns LF into CR LF: both forms get fuzzed
    file->flush();
    const uint64_t fileSize = file->size();

    for (bool indexed : {true, false}) {
        std::string url = address;
        tb::ListIndex index;
        const bool found = tb::searchListFile(*file, indexed ? &index : nullptr, url);
        if (found && address.compare(0, url.size(), url) != 0) __builtin_trap();
        if (!found && url != address) __builtin_trap();
        if (indexed) {
            const tb::ListRange range = tb::sectionRange(index, address, fileSize);
            if (range.start > range.stop || range.stop > fileSize) __builtin_trap();
            if (range.start < std::min(index.dataStart, fileSize)) __builtin_trap();
        }
    }
    return 0;
}
