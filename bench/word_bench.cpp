// word_bench: the word check of a 4 KB page against tables of 13 and of
// 1,000 words, by the automaton the service uses and by one search per word
// (what it replaced), side by side. Prints microseconds per page. Asserts
// nothing.
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "common/find_substring.h"
#include "common/multi_pattern_finder.h"

namespace {

using Clock = std::chrono::steady_clock;

// Words of 5 to 10 letters that the page does not hold, so every word is
// searched for to the page's end.
std::vector<std::string> wordsOf(size_t count, std::mt19937& random) {
    std::vector<std::string> words(count);
    for (std::string& w : words) {
        w.resize(5 + random() % 6);
        for (char& c : w) c = static_cast<char>('a' + random() % 26);
        w[0] = 'q';
        w[1] = 'x';
    }
    return words;
}

std::string pageText(std::mt19937& random) {
    static const char* const kWords[] = {"school",  "homework", "the",   "and",    "garden",
                                         "river",   "library",  "title", "meta",   "news",
                                         "weather", "kids",     "play",  "science"};
    std::string text = "http://www.news.example/today.htm ";
    while (text.size() < 4096) {
        text += kWords[random() % (sizeof kWords / sizeof *kWords)];
        text += ' ';
    }
    text.resize(4096);
    return text;
}

template <typename Check>
double microsecondsPerPage(const std::string& page, int rounds, Check check) {
    long found = 0;
    const auto start = Clock::now();
    for (int r = 0; r < rounds; ++r) found += check(page);
    const double us = std::chrono::duration<double, std::micro>(Clock::now() - start).count();
    if (found == 42) std::puts("");  // keeps the work from being optimised away
    return us / rounds;
}

}  // namespace

int main() {
    std::mt19937 random(7);
    const std::string page = pageText(random);
    std::printf("%-12s %14s %16s %8s\n", "words", "automaton us", "per-word us", "ratio");
    for (size_t count : {size_t{13}, size_t{1000}}) {
        const std::vector<std::string> words = wordsOf(count, random);
        const tb::MultiPatternFinder automaton(words);
        std::vector<tb::SubstringFinder> perWord;
        for (const std::string& w : words) perWord.emplace_back(w);
        const double a = microsecondsPerPage(
            page, 2000, [&](const std::string& text) { return automaton.firstIn(text); });
        const double p =
            microsecondsPerPage(page, count > 100 ? 50 : 2000, [&](const std::string& text) {
                for (size_t i = 0; i < perWord.size(); ++i)
                    if (perWord[i].find(text) >= 0) return static_cast<long>(i);
                return -1L;
            });
        std::printf("%-12zu %14.2f %16.2f %7.0fx\n", count, a, p, p / a);
    }
    return 0;
}
