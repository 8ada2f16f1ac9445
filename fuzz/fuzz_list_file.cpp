// The list search index over arbitrary list-file bytes, against reading the
// same file line by line: the first line of the input is the address
// (encoded as the service encodes it), the rest is the file. Both must give
// the same verdict and cut the address at the same prefix; neither may
// crash, loop or read outside the data.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/list_encoding.h"
#include "service/lists/list_search_index.h"
#include "service/lists/tests/reference_list_search.h"

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
    std::string written;
    for (char c : bytes) {
        if (c == '\n') written += '\r';
        written += c;
    }
    const uint64_t fileSize = file->size();
    if (fileSize != written.size()) __builtin_trap();

    for (bool indexed : {true, false}) {
        // Restart points from a byte apart to 4 KB, as the input's length
        // says.
        tb::ListSearchIndex index(1 + (size * 7919) % 4096);
        index.build(written, indexed);
        std::string fromIndex = address;
        const bool found = index.search(fromIndex, written);
        std::string fromReading = address;
        tb::ListIndex header;
        const bool read =
            tb::testing::referenceSearch(*file, indexed ? &header : nullptr, fromReading);
        if (found != read || fromIndex != fromReading) __builtin_trap();
        if (found && address.compare(0, fromIndex.size(), fromIndex) != 0) __builtin_trap();
        if (indexed) {
            const tb::ListRange range = tb::sectionRange(header, address, fileSize);
            if (range.start > range.stop || range.stop > fileSize) __builtin_trap();
            if (range.start < std::min(header.dataStart, fileSize)) __builtin_trap();
        }
    }
    return 0;
}
