// The word-file reader and the word table built from its lines: lines are
// at most 259 characters without their line feed; the word check and the
// writing of the word file take whatever the lines hold.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "common/list_encoding.h"
#include "service/lists/word_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024) return 0;
    auto file = tb::TextFile::adopt(std::tmpfile());
    if (!file) return 0;
    file->write(std::string(reinterpret_cast<const char*>(data), size));
    file->flush();
    file->seek(0);

    std::vector<std::string> lines;
    std::string line;
    while (lines.size() < 2000 && tb::readWordLine(*file, line)) {
        if (line.size() > tb::WordTable::kWordChars || line.find('\n') != std::string::npos)
            __builtin_trap();
        tb::scrambleListText(line, tb::ScrambleMode::Decode, tb::kDefaultListKey);
        lines.push_back(line);
    }

    tb::WordTable table;
    table.setUserWords(lines);
    (void)table.blockedWordIn(
        std::string(reinterpret_cast<const char*>(data), size < 512 ? size : 512));
    (void)table.wordFileText(tb::kDefaultListKey);
    if (table.userWords().size() > tb::WordTable::kMaxEntries) __builtin_trap();
    return 0;
}
