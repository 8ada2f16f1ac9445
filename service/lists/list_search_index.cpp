#include "service/lists/list_search_index.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <optional>

namespace tb {

namespace {

constexpr size_t kBloomBitsPerKey = 12;
constexpr size_t kTailBytes = 8;

bool isBreak(char c) {
    return c == '\r' || c == '\n';
}

uint64_t mix(uint64_t h) {
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdull;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ull;
    h ^= h >> 33;
    return h;
}

// The last eight bytes of a text, last byte highest, missing bytes as 0:
// ordering by it agrees with ordering by the text read backwards.
uint64_t tailOf(const char* end, size_t length) {
    uint64_t tail = 0;
    for (size_t i = 0; i < kTailBytes; ++i) {
        const uint64_t c =
            i < length ? static_cast<unsigned char>(end[-1 - static_cast<long>(i)]) : 0;
        tail = (tail << 8) | c;
    }
    return tail;
}

// A line that fills the buffer in the middle of the range: the reading cuts
// it after its last CR or, with none, skips it.
bool isFull(const ListLine& line, uint64_t stop) {
    return !line.ended && line.end - line.begin == kListLineChars && line.end < stop;
}

const char* lastCarriageReturn(const char* from, const char* to) {
    while (to > from) {
        if (*--to == '\r') return to;
    }
    return nullptr;
}

// What the Bloom filter holds of an entry: its last 16 bytes and, when it
// has them, its last 32, each as one key. An address is asked by the widest
// of them that it has: endings shared by many entries (a top-level domain
// and a common directory) make shorter keys poor filters.
constexpr size_t kKeyWidths[] = {16, 32};

uint64_t endingKey(const char* end, size_t width) {
    uint64_t h = width;
    for (size_t at = 0; at < width; at += kTailBytes) {
        h = mix(h ^ tailOf(end - at, kTailBytes));
    }
    return h;
}

// The widest key width that the text has, or 0.
size_t keyWidth(size_t length) {
    size_t width = 0;
    for (size_t w : kKeyWidths) {
        if (length >= w) width = w;
    }
    return width;
}

}  // namespace

void ListSearchIndex::clear() {
    data_ = {};
    size_ = 0;
    header_ = {};
    regionStart_ = regionEnd_ = 0;
    sorted_ = false;
    ends_.clear();
    ends_.shrink_to_fit();
    tails_.clear();
    tails_.shrink_to_fit();
    nexts_.clear();
    nexts_.shrink_to_fit();
    bloom_.clear();
    bloom_.shrink_to_fit();
    chains_.clear();
    chainOf_.fill(-1);
    absent_.fill({});
}

// The lines of a range, as the reading meets them: a restart point at the
// first line that starts restartBytes_ or more after the last one. A
// skipped part of an over-long entry is read again from a point that
// depends on the address, so the points stop there and start again after
// the next LF, where every reading starts a line.
int ListSearchIndex::chainIndex(const ListRange& range) {
    if (range.start >= range.stop) return -1;
    for (size_t i = 0; i < chains_.size(); ++i) {
        if (chains_[i].range.start == range.start && chains_[i].range.stop == range.stop)
            return static_cast<int>(i);
    }
    Chain chain{range, {range.start}};
    chain.cutAtStart = range.start > regionStart_ && !isBreak(data_[range.start - 1]) &&
                       !isBreak(data_[range.start]);
    chain.cutAtStop =
        range.stop < regionEnd_ && !isBreak(data_[range.stop - 1]) && !isBreak(data_[range.stop]);
    uint64_t pos = range.start;
    while (pos < range.stop) {
        if (pos - chain.restarts.back() >= restartBytes_) chain.restarts.push_back(pos);
        const ListLine line = readListLine(data_, pos, kListLineChars, range.stop);
        if (line.empty()) break;
        if (!isFull(line, range.stop)) {
            pos = line.end;
            continue;
        }
        if (const char* cr =
                lastCarriageReturn(data_.data() + line.begin, data_.data() + line.end)) {
            pos = static_cast<uint64_t>(cr - data_.data()) + 1;
            continue;
        }
        const void* lf =
            std::memchr(data_.data() + line.end, '\n', static_cast<size_t>(range.stop - line.end));
        if (!lf) break;
        pos = static_cast<uint64_t>(static_cast<const char*>(lf) - data_.data()) + 1;
        if (pos < range.stop) chain.restarts.push_back(pos);
    }
    chains_.push_back(std::move(chain));
    return static_cast<int>(chains_.size() - 1);
}

void ListSearchIndex::build(std::string_view bytes, bool indexed) {
    clear();
    data_ = bytes;
    size_ = bytes.size();
    indexed_ = indexed;
    if (indexed) {
        header_ = readIndexHeader(bytes);
        regionStart_ = std::min<uint64_t>(header_.dataStart, bytes.size());
        regionEnd_ = bytes.size();
        // The range depends only on the fifth character; a probe address
        // with each one finds them all.
        for (int c = kFirstSection; c <= kLastSection; ++c) {
            const std::string probe = std::string(4, 'x') + static_cast<char>(c);
            chainOf_[c - kFirstSection] =
                static_cast<int16_t>(chainIndex(sectionRange(header_, probe, bytes.size())));
        }
        chainOf_[95] = static_cast<int16_t>(chainIndex(sectionRange(header_, "", bytes.size())));
    } else {
        regionStart_ = 0;
        regionEnd_ = std::min<uint64_t>(kPlainListStop, bytes.size());
        chainOf_.fill(static_cast<int16_t>(chainIndex({0, regionEnd_})));
    }
    if (regionEnd_ > std::numeric_limits<uint32_t>::max()) {
        data_ = {};
        return;
    }

    // The entries of the region, cut at CR, LF and the region's ends.
    // Each entry with its last 16 bytes, read backwards, as two numbers:
    // ordering by them agrees with ordering by the entries read backwards,
    // which decides only among entries alike in all 16.
    struct Keyed {
        uint64_t tail;
        uint64_t before;  // the 8 bytes before the tail
        uint32_t end;
        uint32_t length;
    };
    std::vector<Keyed> keyed;
    const char* const base = data_.data();
    for (uint64_t pos = regionStart_; pos < regionEnd_;) {
        uint64_t end = pos;
        while (end < regionEnd_ && !isBreak(base[end])) ++end;
        if (end > pos) {
            const size_t length = static_cast<size_t>(std::min<uint64_t>(end - pos, UINT32_MAX));
            keyed.push_back(
                {tailOf(base + end, length),
                 length > kTailBytes ? tailOf(base + end - kTailBytes, length - kTailBytes) : 0,
                 static_cast<uint32_t>(end), static_cast<uint32_t>(length)});
        }
        pos = end + 1;
    }
    auto sameStart = [](const Keyed& a, const Keyed& b) {
        return a.tail == b.tail && a.before == b.before;
    };
    std::sort(keyed.begin(), keyed.end(), [](const Keyed& a, const Keyed& b) {
        return a.tail != b.tail ? a.tail < b.tail : a.before < b.before;
    });
    auto longer = [&](const Keyed& a, const Keyed& b) {
        for (uint64_t i = 0;; ++i) {
            const int ca = i < a.length ? static_cast<unsigned char>(base[a.end - i - 1]) : -1;
            const int cb = i < b.length ? static_cast<unsigned char>(base[b.end - i - 1]) : -1;
            if (ca != cb) return ca < cb;
            if (ca < 0) return false;
        }
    };
    for (size_t i = 0; i < keyed.size();) {
        size_t j = i + 1;
        while (j < keyed.size() && sameStart(keyed[j], keyed[i])) ++j;
        if (j - i > 1) std::sort(keyed.begin() + i, keyed.begin() + j, longer);
        i = j;
    }
    ends_.reserve(keyed.size());
    tails_.reserve(keyed.size());
    nexts_.reserve(keyed.size());
    size_t keys = 0;
    for (const Keyed& k : keyed) {
        for (size_t w : kKeyWidths) keys += k.length >= w;
    }
    bloom_.assign(std::max<size_t>(1, keys * kBloomBitsPerKey / 64), 0);
    for (size_t i = 0; i < keyed.size(); ++i) {
        ends_.push_back(keyed[i].end);
        tails_.push_back(keyed[i].tail);
        nexts_.push_back(static_cast<uint16_t>(keyed[i].before >> 48));
        for (size_t w : kKeyWidths) {
            if (keyed[i].length >= w) bloomAdd(endingKey(base + keyed[i].end, w));
        }
    }
    sorted_ = true;
    data_ = {};
}

size_t ListSearchIndex::memoryBytes() const {
    size_t total = ends_.capacity() * sizeof(uint32_t) + tails_.capacity() * sizeof(uint64_t) +
                   nexts_.capacity() * sizeof(uint16_t) + bloom_.capacity() * sizeof(uint64_t);
    for (const Chain& c : chains_)
        total += sizeof(Chain) + c.restarts.capacity() * sizeof(uint64_t);
    return total;
}

// A blocked Bloom filter: four bits in one 64-bit word.
void ListSearchIndex::bloomAdd(uint64_t h) {
    uint64_t& word = bloom_[static_cast<size_t>(((h & 0xffffffffu) * bloom_.size()) >> 32)];
    word |= (1ull << ((h >> 32) & 63)) | (1ull << ((h >> 38) & 63)) | (1ull << ((h >> 44) & 63)) |
            (1ull << ((h >> 50) & 63));
}

bool ListSearchIndex::bloomMayHold(uint64_t h) const {
    const uint64_t word = bloom_[static_cast<size_t>(((h & 0xffffffffu) * bloom_.size()) >> 32)];
    const uint64_t bits = (1ull << ((h >> 32) & 63)) | (1ull << ((h >> 38) & 63)) |
                          (1ull << ((h >> 44) & 63)) | (1ull << ((h >> 50) & 63));
    return (word & bits) == bits;
}

uint64_t ListSearchIndex::entryStart(uint64_t end) const {
    while (end > regionStart_ && !isBreak(bytes_->at(end - 1))) --end;
    return end;
}

// The entry ending at `end` read backwards against the text read backwards,
// over the text's length: < 0, 0 (the entry ends in the text) or > 0. The
// entry's start reads as less than any byte.
int ListSearchIndex::compareEnding(uint64_t end, std::string_view text) const {
    for (size_t i = 0; i < text.size(); ++i) {
        const char b = end - i > regionStart_ ? bytes_->at(end - i - 1) : '\r';
        const int c = isBreak(b) ? -1 : static_cast<unsigned char>(b);
        const int t = static_cast<unsigned char>(text[text.size() - 1 - i]);
        if (c != t) return c < t ? -1 : 1;
    }
    return 0;
}

// Whether some entry may end in the text, without the file: the Bloom filter,
// then the entries' last eight bytes, then the key endings found absent
// before (an address that the filter lets through by mistake tends to come
// again, and with it every address that ends alike).
bool ListSearchIndex::mayEndIn(std::string_view text) const {
    if (text.size() < kTailBytes) return true;
    const char* end = text.data() + text.size();
    const size_t width = keyWidth(text.size());
    const uint64_t key = width ? endingKey(end, width) : 0;
    if (width && !bloomMayHold(key)) return false;
    if (!std::binary_search(tails_.begin(), tails_.end(), tailOf(end, kTailBytes))) return false;
    if (!width) return true;
    const Absent& slot = absent_[key & (absent_.size() - 1)];
    return !(slot.width == width && std::equal(end - width, end, slot.ending.begin()));
}

// Asks the file whether any entry ends in the text's widest key ending;
// when none does, remembers it.
void ListSearchIndex::learnAbsent(std::string_view text) {
    const size_t width = keyWidth(text.size());
    if (!width) return;
    const std::string_view ending = text.substr(text.size() - width);
    bool any = false;
    forEachEntryEndingIn(ending, [&](uint64_t) { any = true; });
    if (!any) {
        const char* end = text.data() + text.size();
        Absent& slot = absent_[endingKey(end, width) & (absent_.size() - 1)];
        std::copy(ending.begin(), ending.end(), slot.ending.begin());
        slot.width = width;
    }
}

// The entries' last ten bytes narrow the search to the run that can end in
// the text; the file decides within it.
template <class F>
void ListSearchIndex::forEachEntryEndingIn(std::string_view text, F&& f) const {
    const size_t known = std::min(text.size(), kTailBytes);
    const uint64_t low = tailOf(text.data() + text.size(), known);
    const uint64_t high =
        known == kTailBytes ? low : low | ((uint64_t{1} << (8 * (kTailBytes - known))) - 1);
    size_t from =
        static_cast<size_t>(std::lower_bound(tails_.begin(), tails_.end(), low) - tails_.begin());
    size_t to = static_cast<size_t>(std::upper_bound(tails_.begin() + from, tails_.end(), high) -
                                    tails_.begin());
    if (text.size() > kTailBytes) {
        // One run of equal last eight bytes, ordered by the two before them.
        const auto byte = [&](size_t fromEnd) {
            return static_cast<uint16_t>(static_cast<unsigned char>(text[text.size() - fromEnd]));
        };
        const bool both = text.size() >= kTailBytes + 2;
        const uint16_t next = static_cast<uint16_t>((byte(9) << 8) | (both ? byte(10) : 0));
        const uint16_t last = both ? next : static_cast<uint16_t>(next | 0xff);
        const auto a = nexts_.begin();
        from = static_cast<size_t>(std::lower_bound(a + from, a + to, next) - a);
        to = static_cast<size_t>(std::upper_bound(a + from, a + to, last) - a);
    }
    const auto begin = ends_.begin() + from;
    const auto end = ends_.begin() + to;
    const auto first =
        std::partition_point(begin, end, [&](uint32_t e) { return compareEnding(e, text) < 0; });
    for (auto it = first; it != end && compareEnding(*it, text) == 0; ++it) f(*it);
}

const ListSearchIndex::Chain* ListSearchIndex::chainFor(std::string_view url) const {
    int slot = 95;
    if (url.size() >= 5) {
        const int c = static_cast<unsigned char>(url[4]);
        if (c >= kFirstSection && c <= kLastSection) slot = c - kFirstSection;
    }
    return chainOf_[slot] < 0 ? nullptr : &chains_[chainOf_[slot]];
}

// The range read line by line from `from`, as the plain search reads it.
bool ListSearchIndex::readRange(const Chain& chain, uint64_t from, uint64_t quietUntil,
                                std::string& url) const {
    const ListMatcher matcher(url);
    const uint64_t stop = chain.range.stop;
    std::string text;
    for (uint64_t pos = from; pos < stop;) {
        // One byte past the longest line: a CR LF pair may end it.
        const std::string_view w =
            bytes_->window(pos, std::min<uint64_t>(kListLineChars + 1, stop - pos));
        ListLine line = readListLine(w, 0, kListLineChars, stop - pos);
        if (line.empty()) return false;
        std::string_view view;
        const uint64_t lineStart = pos;
        if (isFull({pos, pos + line.end, line.ended, line.crlf}, stop)) {
            const char* cr = lastCarriageReturn(w.data(), w.data() + line.end);
            if (!cr) {
                // The middle of an entry longer than the line: its tail is
                // read again with the next line.
                pos = pos + line.end - std::min(matcher.reach(), kListLineChars - 1);
                continue;
            }
            view = w.substr(0, static_cast<size_t>(cr - w.data()));
            pos += static_cast<uint64_t>(cr - w.data()) + 1;
        } else if (line.crlf) {
            text = lineText(w, line);
            view = text;
            pos += line.end;
        } else {
            view = w.substr(0, static_cast<size_t>(line.end));
            pos += line.end;
        }
        if (lineStart + view.size() <= quietUntil) continue;
        if (const size_t n = matcher.match(view)) {
            if (bytes_->failed()) return false;
            url.resize(n);
            return true;
        }
    }
    return false;
}

bool ListSearchIndex::search(std::string& url, std::string_view bytes) {
    return search(url, [bytes](uint64_t pos, char* out, size_t n) -> size_t {
        if (pos >= bytes.size()) return 0;
        const size_t count = static_cast<size_t>(std::min<uint64_t>(n, bytes.size() - pos));
        std::copy_n(bytes.data() + pos, count, out);
        return count;
    });
}

bool ListSearchIndex::search(std::string& url, const ListBytes::Read& read) {
    const Chain* chain = size_ == 0 ? nullptr : chainFor(url);
    if (!chain) return false;
    const bool found = searchBytes(url, *chain, read);
    bytes_ = nullptr;
    return found;
}

bool ListSearchIndex::searchBytes(std::string& url, const Chain& chain,
                                  const ListBytes::Read& read) {
    auto need = [&] {
        if (!bytes_) {
            if (!reader_) reader_ = std::make_unique<ListBytes>();
            reader_->reset(read, size_);
            bytes_ = reader_.get();
        }
        return !bytes_->failed();
    };
    // An address with a line break in it can match across entries: only
    // the reading finds that.
    if (!sorted_ || std::memchr(url.data(), '\r', url.size()) ||
        std::memchr(url.data(), '\n', url.size()))
        return need() && readRange(chain, chain.range.start, 0, url);

    ListPrefixes& prefixes = prefixes_;
    listPrefixes(url, prefixes);
    if (prefixes.lengths.empty()) return false;
    const uint64_t s = chain.range.start;
    const uint64_t e = chain.range.stop;
    uint64_t earliest = std::numeric_limits<uint64_t>::max();
    std::string& text = ending_;
    auto consider = [&](std::string_view ending) {
        if (!mayEndIn(ending)) return true;
        if (!need()) return false;
        bool any = false;
        forEachEntryEndingIn(ending, [&](uint64_t end) {
            any = true;
            if (end > e) return;
            const uint64_t start = entryStart(end);
            if (start >= s) earliest = std::min(earliest, start);
        });
        if (!any) learnAbsent(ending);
        return true;
    };
    for (size_t n : prefixes.lengths) {
        text.assign(prefixes.url.substr(0, n));
        text += '/';
        if (!consider(text)) return false;
        if (n == prefixes.url.size() && prefixes.lastIsFinal && !consider(prefixes.url))
            return false;
    }
    // An entry that a range boundary cuts (a header offset inside an
    // entry) is not in the sorted entries as the range sees it.
    if ((chain.cutAtStart || chain.cutAtStop) && need()) {
        bool bothCut = false;  // one piece reaches from the start to the stop
        if (chain.cutAtStart) {
            uint64_t end = s;
            while (end < e && !isBreak(bytes_->at(end))) ++end;
            bothCut = end == e;
            if (ListMatcher(url).match(bytes_->window(s, end - s)))
                earliest = std::min(earliest, s);
        }
        if (chain.cutAtStop && !bothCut) {
            uint64_t start = e;
            while (start > s && !isBreak(bytes_->at(start - 1))) --start;
            if (ListMatcher(url).match(bytes_->window(start, e - start)))
                earliest = std::min(earliest, start);
        }
    }
    if (earliest == std::numeric_limits<uint64_t>::max() || bytes_->failed()) return false;
    const auto restart = std::upper_bound(chain.restarts.begin(), chain.restarts.end(), earliest);
    return readRange(chain, *(restart - 1), earliest, url);
}

}  // namespace tb
