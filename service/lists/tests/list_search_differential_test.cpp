// The index against the line-by-line reading of the same file, on generated
// lists and addresses: the same verdict and the same cut address (the text
// of the block page's one-line file) for every address, on well-formed
// files and on files whose index header is damaged.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>

#include "common/list_encoding.h"
#include "service/lists/list_search_index.h"
#include "service/lists/tests/list_builder.h"
#include "service/lists/tests/reference_list_search.h"

namespace tb {
namespace {

using testing::TempDirectory;

class Generator {
  public:
    explicit Generator(uint64_t seed) : rng_(seed) {}

    size_t below(size_t n) { return static_cast<size_t>(rng_() % n); }
    bool chance(int percent) { return below(100) < static_cast<size_t>(percent); }

    std::string word(size_t shortest, size_t longest) {
        static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789-";
        std::string w;
        const size_t n = shortest + below(longest - shortest + 1);
        for (size_t i = 0; i < n; ++i) w += kChars[below(sizeof kChars - 1)];
        return w;
    }
    // A small pool of names, so that entries and addresses share endings.
    std::string host() {
        static const char* const kTlds[] = {".example", ".test", ".example.net"};
        std::string h = chance(40) ? "www." : "";
        return h + names_[below(names_.size())] + kTlds[below(3)];
    }
    std::string entry() {
        switch (below(10)) {
            case 0:
            case 1:
                return host() + "/";
            case 2:
                return host() + "/" + word(1, 6);
            case 3:
                return host() + "/" + word(1, 6) + "/";
            case 4:
                return host();
            case 5:
                return word(1, 4);  // short entries, some below three characters
            case 6:
                return word(1, 3) + "/";
            case 7:  // now and then longer than the line buffer
                return std::string(chance(15) ? 990 + below(80) : below(30), 'q') + host() + "/";
            default:
                return "x" + host() + "/" + word(1, 5);
        }
    }
    // Addresses made from the list's entries and from nowhere.
    std::string address(const std::vector<std::string>& entries) {
        const std::string e = entries[below(entries.size())];
        const std::string site = e.substr(0, e.find('/'));
        switch (below(12)) {
            case 0:
                return e;
            case 1:
                return e + "index.htm";
            case 2:
                return site;
            case 3:
                return site + "/" + word(1, 5) + "/page.htm";
            case 4:
                return "x" + e;
            case 5:
                return "search.example/go?to=http://" + e;
            case 6: {
                std::string upper = e;
                for (char& c : upper)
                    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
                return upper;
            }
            case 7:
                return e.substr(0, 3 + below(2));
            case 8: {
                std::string a = e + "/" + word(1, 3);
                const size_t target = below(2) ? 210 : 211;
                if (a.size() < target) a += std::string(target - a.size(), 'p');
                return a.substr(0, target);
            }
            case 9:
                return e.substr(e.size() > 1000 ? 900 : 0);
            default:
                return host() + (chance(50) ? "/" : "/" + word(2, 8));
        }
    }

    std::vector<std::string> names_;

  private:
    std::mt19937_64 rng_;
};

// Entries encoded as the lists hold them, each ended by CR, and for some
// files by CR LF or LF as well.
std::string listData(Generator& g, const std::vector<std::string>& entries, const std::string& key,
                     bool mixedBreaks) {
    std::string data;
    for (const std::string& e : entries) {
        data += encoded(e, key);
        if (!mixedBreaks) {
            data += '\r';
        } else {
            static const char* const kBreaks[] = {"\r", "\r\n", "\n", "\r\r"};
            data += kBreaks[g.below(4)];
        }
    }
    return data;
}

// A category list: entries filed by their encoded fifth character, and a
// header that may be damaged: offsets moved into entries, made negative or
// too large, put out of order, or pairs left out.
std::string categoryFile(Generator& g, const std::vector<std::string>& entries,
                         const std::string& key, int damage) {
    std::map<int, std::string> sections;
    for (const std::string& e : entries) {
        const std::string enc = encoded(e, key);
        const int c = enc.size() >= 5 ? static_cast<unsigned char>(enc[4]) : ' ';
        sections[c >= 32 && c <= 126 ? c : ' '] += enc + '\r';
    }
    std::string data, header;
    for (int c = 32; c <= 126; ++c) {
        long offset = static_cast<long>(data.size());
        data += sections[c];
        if (damage > 0 && g.chance(damage)) {
            switch (g.below(5)) {
                case 0:
                    offset += static_cast<long>(g.below(40)) - 20;
                    break;
                case 1:
                    offset = -static_cast<long>(g.below(1000));
                    break;
                case 2:
                    offset += 100000;
                    break;
                case 3:
                    offset = static_cast<long>(g.below(data.size() + 1));
                    break;
                default:
                    continue;  // the pair is left out
            }
        }
        header += std::string(1, static_cast<char>(c)) + "\r\n" + std::to_string(offset) + "\r\n";
    }
    return header + data;
}

struct Tally {
    size_t asked = 0, matched = 0, differed = 0;
};

// Restart points far apart, as in the service, or a few bytes apart, so
// that small files have many.
void compareOn(const TempDirectory& dir, const std::string& bytes, bool indexed,
               const std::string& key, const std::vector<std::string>& addresses, Tally& tally,
               uint64_t restartBytes) {
    ListSearchIndex index(restartBytes);
    index.build(bytes, indexed);
    dir.write("list.dat", bytes);
    auto file = TextFile::open(dir.file("list.dat"), TextFile::Mode::Read);
    ASSERT_TRUE(file);
    for (const std::string& address : addresses) {
        std::string fromIndex = encoded(address, key);
        std::string fromReading = fromIndex;
        ListIndex header;
        const bool found = index.search(fromIndex, bytes);
        const bool read = testing::referenceSearch(*file, indexed ? &header : nullptr, fromReading);
        ++tally.asked;
        tally.matched += read;
        if (found != read || fromIndex != fromReading) {
            if (++tally.differed <= 5)
                ADD_FAILURE() << "address \"" << address << "\": index " << found << " \""
                              << decoded(fromIndex, key) << "\", reading " << read << " \""
                              << decoded(fromReading, key) << "\"";
        }
    }
}

TEST(ListSearchIndex, AnswersAsTheLineByLineReadingOnAHundredThousandAddresses) {
    TempDirectory dir;
    Tally tally;
    for (int round = 0; round < 20; ++round) {
        Generator g(9001 + round);
        for (int n = 0; n < 40; ++n) g.names_.push_back(g.word(2, 9));
        // An identity key makes many entries end in one another.
        const std::string key = round % 3 == 0 ? std::string("\x01") : testing::kTestKey;
        std::vector<std::string> entries;
        const size_t count = 60 + g.below(100);
        for (size_t n = 0; n < count; ++n) entries.push_back(g.entry());
        std::vector<std::string> addresses;
        for (int n = 0; n < 2500; ++n) addresses.push_back(g.address(entries));

        const bool plain = round % 4 == 0;
        const std::string bytes = plain ? listData(g, entries, key, round % 8 == 4)
                                        : categoryFile(g, entries, key, round % 4 == 1 ? 0 : 30);
        compareOn(dir, bytes, !plain, key, addresses, tally, round % 2 ? 4096 : 1 + g.below(300));
        // The same addresses against the bytes read as the other kind.
        compareOn(dir, bytes, plain, key, addresses, tally, 1 + g.below(2000));
    }
    EXPECT_GE(tally.asked, 100000u);
    EXPECT_EQ(tally.differed, 0u);
    // Enough of them match for the comparison to mean something.
    EXPECT_GT(tally.matched, tally.asked / 5);
}

TEST(ListSearchIndex, AnswersAsTheLineByLineReadingOnArbitraryBytes) {
    TempDirectory dir;
    Tally tally;
    Generator g(77);
    for (int n = 0; n < 6; ++n) g.names_.push_back(g.word(1, 3));
    static const char kBytes[] = "ab/\r\n.~ x";
    for (int round = 0; round < 200; ++round) {
        std::string bytes;
        const size_t size = g.below(round % 10 == 0 ? 5000 : 300);
        for (size_t i = 0; i < size; ++i) bytes += kBytes[g.below(sizeof kBytes - 1)];
        if (round % 2) bytes = "a\r\n" + std::to_string(g.below(50)) + "\r\n~\r\n7\r\n" + bytes;
        std::vector<std::string> addresses;
        for (int n = 0; n < 40; ++n) {
            std::string a;
            const size_t length = 1 + g.below(12);
            for (size_t i = 0; i < length; ++i) a += kBytes[g.below(sizeof kBytes - 1)];
            addresses.push_back(a);
        }
        compareOn(dir, bytes, round % 3 != 0, "\x01", addresses, tally, 1 + g.below(100));
    }
    EXPECT_EQ(tally.differed, 0u);
    EXPECT_GT(tally.matched, 0u);
}

TEST(ListSearchIndex, AFileCutShortSinceItWasIndexedFindsNothingAndLeavesTheAddress) {
    std::vector<std::string> entries;
    for (int i = 0; i < 400; ++i) entries.push_back("site" + std::to_string(i) + ".example/");
    const std::string bytes = listc::plainListFile(entries, testing::kTestKey);
    ListSearchIndex index;
    index.build(bytes, false);
    const std::string address = encoded("site399.example/page.htm", testing::kTestKey);
    std::string url = address;
    ASSERT_TRUE(index.search(url, bytes));
    // The file now ends half way.
    const std::string cut = bytes.substr(0, bytes.size() / 2);
    url = address;
    EXPECT_FALSE(index.search(url, cut));
    EXPECT_EQ(url, address);
}

}  // namespace
}  // namespace tb
