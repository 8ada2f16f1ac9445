#include "service/lists/tests/reference_list_search.h"

#include <algorithm>

namespace tb::testing {

ListIndex referenceIndexHeader(TextFile& file) {
    ListIndex index;
    file.seek(0);
    std::string first, second;
    while (file.readLine(first, kHeaderLineChars)) {
        const int c = static_cast<unsigned char>(first[0]);
        if (c > kLastSection) break;
        if (!file.readLine(second, kHeaderLineChars)) break;
        if (c >= kFirstSection) {
            index.offsets[c - kFirstSection] = parseIndexOffset(second);
            index.present[c - kFirstSection] = true;
        }
        if (c == kLastSection) break;
    }
    index.dataStart = file.tell();
    return index;
}

bool referenceSearch(TextFile& file, ListIndex* index, std::string& url) {
    file.discardBuffer();
    const uint64_t size = file.size();
    ListRange range{0, std::min(kPlainListStop, size)};
    if (index) {
        *index = referenceIndexHeader(file);
        range = sectionRange(*index, url, size);
    }
    const ListMatcher matcher(url);
    std::string line;
    file.seek(range.start);
    while (file.tell() < range.stop) {
        if (!file.readLine(line, kListLineChars, range.stop)) return false;
        const bool full =
            line.size() == kListLineChars && line.back() != '\n' && file.tell() < range.stop;
        if (full) {
            // A full line holds no CR LF pair, so characters and bytes agree.
            if (const auto resume = file.afterLastCarriageReturn()) {
                // The entry after the last carriage return is read again
                // with the next line.
                line.resize(line.rfind('\r'));
                file.seek(*resume);
            } else {
                // The middle of an entry longer than the line: nothing in it
                // can end a match, but its tail may with the next chunk.
                file.seek(file.tell() - std::min(matcher.reach(), kListLineChars - 1));
                continue;
            }
        }
        if (const size_t n = matcher.match(line)) {
            url.resize(n);
            return true;
        }
    }
    return false;
}

}  // namespace tb::testing
