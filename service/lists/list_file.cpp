#include "service/lists/list_file.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "common/find_substring.h"

namespace tb {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool endsEntry(std::string_view line, size_t at) {
    return at >= line.size() || line[at] == '\r' || line[at] == '\n';
}

}  // namespace

int32_t parseIndexOffset(std::string_view text) {
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

ListLine readListLine(std::string_view data, uint64_t pos, size_t maxChars, uint64_t limit) {
    ListLine line;
    line.begin = line.end = pos;
    const uint64_t stop = std::min<uint64_t>(limit, data.size());
    if (pos >= stop) return line;
    uint64_t end = std::min<uint64_t>(pos + maxChars, stop);
    if (const void* lf = std::memchr(data.data() + pos, '\n', static_cast<size_t>(end - pos))) {
        end = static_cast<uint64_t>(static_cast<const char*>(lf) - data.data()) + 1;
        line.ended = true;
    } else if (end > pos && data[end - 1] == '\r' && end < stop && data[end] == '\n') {
        ++end;
        line.ended = true;
    }
    line.end = end;
    line.crlf = line.ended && end - pos >= 2 && data[end - 2] == '\r';
    return line;
}

std::string lineText(std::string_view data, const ListLine& line) {
    std::string text(data.substr(line.begin, line.end - line.begin));
    if (line.crlf) text.erase(text.size() - 2, 1);
    return text;
}

ListIndex readIndexHeader(std::string_view bytes) {
    ListIndex index;
    uint64_t pos = 0;
    auto next = [&](std::string& text) {
        const ListLine line = readListLine(bytes, pos, kHeaderLineChars, bytes.size());
        if (line.empty()) return false;
        text = lineText(bytes, line);
        pos = line.end;
        return true;
    };
    std::string first, second;
    while (next(first)) {
        const int c = static_cast<unsigned char>(first[0]);
        if (c > kLastSection) break;
        if (!next(second)) break;
        if (c >= kFirstSection) {
            index.offsets[c - kFirstSection] = parseIndexOffset(second);
            index.present[c - kFirstSection] = true;
        }
        if (c == kLastSection) break;
    }
    index.dataStart = pos;
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

ListPrefixes listPrefixes(std::string_view url) {
    ListPrefixes out;
    listPrefixes(url, out);
    return out;
}

void listPrefixes(std::string_view url, ListPrefixes& out) {
    out.lengths.clear();
    // A final '/' is dropped: the prefix before it is the final one.
    if (!url.empty() && url.back() == '/') url.remove_suffix(1);
    out.url = url;
    for (size_t i = 3; i <= url.size(); ++i) {
        if (i == url.size() || url[i] == '/') out.lengths.push_back(i);
    }
    out.lastIsFinal = !out.lengths.empty() && out.lengths.back() == url.size();
}

ListMatcher::ListMatcher(std::string_view url) {
    const ListPrefixes p = listPrefixes(url);
    url_ = p.url;
    for (size_t n : p.lengths) {
        prefixes_.push_back(
            {SubstringFinder(std::string_view(url_).substr(0, n)), n == url_.size()});
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

}  // namespace tb
