#include "service/lists/list_file.h"

#include <algorithm>
#include <limits>

#include "common/find_substring.h"

namespace tb {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// A signed decimal number after optional blanks, as atoi reads it, but held
// to the 32-bit range instead of overflowing.
int32_t parseOffset(std::string_view text) {
    if (!text.empty() && text.back() == '\n') text.remove_suffix(1);
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    int64_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > int64_t{1} << 32) break;
    }
    if (negative) value = -value;
    value = std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                std::numeric_limits<int32_t>::max());
    return static_cast<int32_t>(value);
}

bool endsEntry(std::string_view line, size_t at) {
    return at >= line.size() || line[at] == '\r' || line[at] == '\n';
}

}  // namespace

ListIndex readIndexHeader(TextFile& file) {
    ListIndex index;
    file.seek(0);
    std::string first, second;
    while (file.readLine(first, kHeaderLineChars)) {
        const int c = static_cast<unsigned char>(first[0]);
        if (c > kLastSection) break;
        if (!file.readLine(second, kHeaderLineChars)) break;
        if (c >= kFirstSection) {
            index.offsets[c - kFirstSection] = parseOffset(second);
            index.present[c - kFirstSection] = true;
        }
        if (c == kLastSection) break;
    }
    index.dataStart = file.tell();
    return index;
}

ListRange sectionRange(const ListIndex& index, std::string_view url, uint64_t fileSize) {
    const uint64_t dataStart = std::min(index.dataStart, fileSize);
    auto at = [&](int k) {
        const int64_t pos = static_cast<int64_t>(dataStart) + index.offsets[k];
        return static_cast<uint64_t>(std::clamp<int64_t>(pos, static_cast<int64_t>(dataStart),
                                                         static_cast<int64_t>(fileSize)));
    };
    auto endOf = [&](int k) {
        for (int next = k + 1; next <= kLastSection - kFirstSection; ++next) {
            if (index.present[next]) return at(next);
        }
        return fileSize;
    };
    ListRange range;
    const int c = url.size() >= 5 ? static_cast<unsigned char>(url[4]) : 0;
    if (c >= kFirstSection && c <= kLastSection) {
        const int k = c - kFirstSection;
        if (!index.present[k]) return {fileSize, fileSize};
        range = {at(k), endOf(k)};
    } else {
        range = {dataStart, endOf(0)};
    }
    if (range.stop < range.start) range.stop = range.start;
    return range;
}

ListMatcher::ListMatcher(std::string_view url) : url_(url) {
    // A final '/' is dropped: the prefix before it is the final one.
    if (!url_.empty() && url_.back() == '/') url_.pop_back();
    for (size_t i = 0; i <= url_.size(); ++i) {
        if (i < url_.size() && url_[i] != '/') continue;
        if (i >= 3)
            prefixes_.push_back(
                {SubstringFinder(std::string_view(url_).substr(0, i)), i == url_.size()});
    }
}

size_t ListMatcher::match(std::string_view line) const {
    if (prefixes_.empty()) return 0;
    // Every prefix begins with the shortest one, so the occurrences of that
    // one are where all of them may occur. The first prefix, in order, that
    // matches anywhere in the line is the match.
    const SubstringFinder& shortest = prefixes_.front().finder;
    const size_t shortestLength = shortest.pattern().size();
    size_t best = prefixes_.size();
    size_t from = 0;
    while (best > 0 && from + shortestLength <= line.size()) {
        const long found = shortest.find(line.substr(from));
        if (found < 0) break;
        const size_t at = from + static_cast<size_t>(found);
        for (size_t k = 0; k < best; ++k) {
            const std::string& p = prefixes_[k].finder.pattern();
            if (line.compare(at, p.size(), p) != 0) break;  // nor will the longer ones
            const size_t after = at + p.size();
            const bool matches =
                (prefixes_[k].final && endsEntry(line, after)) ||
                (after < line.size() && line[after] == '/' && endsEntry(line, after + 1));
            if (matches) {
                best = k;
                break;
            }
        }
        // Every occurrence counts, also one that overlaps this one.
        from = at + 1;
    }
    return best < prefixes_.size() ? prefixes_[best].finder.pattern().size() : 0;
}

bool searchListFile(TextFile& file, ListIndex* index, std::string& url) {
    file.discardBuffer();
    const uint64_t size = file.size();
    ListRange range{0, std::min(kPlainListStop, size)};
    if (index) {
        *index = readIndexHeader(file);
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

}  // namespace tb
