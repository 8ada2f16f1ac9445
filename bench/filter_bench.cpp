// filter_bench [--adult N] [--decisions N] [--key K] [--export DIR] [--lists-only]
//              [--repeat allowed|blocked N] [--common-tlds]
//
// Builds six synthetic category lists with the list compiler (1,000,000
// entries in all by default; --adult sets the size of the adult list), loads
// them into a service core and times FilterURL for addresses that no list
// holds (allowed: every switched-on category is searched) and for addresses
// from the lists (blocked). Prints the load time, the memory the indexes
// hold per entry, decisions per second and the 50th and 99th percentile
// microseconds per decision. Asserts nothing.
//
// --export DIR keeps the lists there: the list files (TBinD.dat to
// TBinI.dat, tbfD.dat to tbfI.dat, encoded with --key), each category's
// entries as plain text (<category>.txt) and the addresses asked for
// (allowed.txt, blocked.txt), for the other benchmarks to use.
// --lists-only stops after writing them.
// --common-tlds ends the listed hosts in .com, .net, .org, .de and .co.uk
// instead of reserved names such as .example.org, whose long shared
// ending makes a list's search read more of the file.
// --repeat allowed|blocked N asks for one kind of address N times over and
// stops, blocked with the remote block page: a steady run for a profiler.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

#include <cstring>

#include "service/process/service_core.h"
#include "tools/list_compiler/list_compiler.h"

namespace {

using Clock = std::chrono::steady_clock;

const char* const kCategoryNames[] = {"adult",    "extremist",   "firearms",
                                      "gambling", "hate speech", "satanic"};
const char* const kCategoryFiles[] = {"adult",    "extremist", "firearms",
                                      "gambling", "hate",      "satanic"};

void writeLines(const std::filesystem::path& path, const std::vector<std::string>& lines) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    for (const std::string& l : lines) out << l << '\n';
}

class FixedClock : public tb::Clock {
  public:
    std::optional<int32_t> networkTime() override { return 1000000000; }
    int32_t localTime() override { return 1000000000; }
};

class NoDialogs : public tb::Dialogs {
  public:
    int show(const tb::DialogRequest&) override { return tb::kDialogOk; }
};

// Addresses shaped like those of the public lists: host names with and
// without "www.", some with a directory.
class AddressMaker {
  public:
    // Addresses asked for as allowed get a domain of their own, so that
    // none of them is in a list by chance.
    // `commonTlds`: the endings of most entries in public lists, which
    // share fewer of their last bytes than the reserved names do.
    AddressMaker(uint64_t seed, bool listed, bool commonTlds = false)
        : rng_(seed), listed_(listed), commonTlds_(commonTlds) {}
    std::string next() {
        static const char* const kReserved[] = {".example", ".test", ".invalid", ".example.net",
                                                ".example.org"};
        static const char* const kCommon[] = {".com", ".net", ".org", ".de", ".co.uk"};
        const char* const* kTlds = commonTlds_ ? kCommon : kReserved;
        static const char kChars[] = "abcdefghijklmnopqrstuvwxyz0123456789-";
        std::string name;
        const int length = 5 + static_cast<int>(rng_() % 10);
        for (int i = 0; i < length; ++i) name += kChars[rng_() % (i == 0 ? 26 : sizeof kChars - 1)];
        const unsigned shape = rng_() % 10;
        const char* tld = listed_ ? kTlds[rng_() % 5] : ".unlisted.example";
        std::string a = (shape < 6 ? "www." : "") + name + tld + "/";
        if (shape >= 8) a += "dir" + std::to_string(rng_() % 100) + "/";
        return a;
    }

  private:
    std::mt19937_64 rng_;
    bool listed_;
    bool commonTlds_;
};

void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

struct Figures {
    double perSecond = 0, p50 = 0, p99 = 0;
};

Figures timeDecisions(tb::ServiceCore& core, const std::vector<std::string>& addresses,
                      bool expectBlocked, int& wrong) {
    std::vector<double> micros;
    micros.reserve(addresses.size());
    const auto start = Clock::now();
    for (const std::string& a : addresses) {
        const auto t0 = Clock::now();
        const tb::FilterVerdict v = core.filterURL(a);
        const auto t1 = Clock::now();
        micros.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
        if (v.allowed == expectBlocked && ++wrong <= 3)
            std::printf("  unexpected verdict: %s\n", a.c_str());
    }
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::sort(micros.begin(), micros.end());
    Figures f;
    f.perSecond = addresses.size() / seconds;
    f.p50 = micros[micros.size() / 2];
    f.p99 = micros[std::min(micros.size() - 1, micros.size() * 99 / 100)];
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    long adult = 500000;
    int decisions = 100000;
    std::string key = "bk7w3q9z";
    std::string exportDir;
    bool listsOnly = false;
    bool commonTlds = false;
    std::string repeatKind;
    int repeat = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : "";
        if (option == "--lists-only" || option == "--common-tlds") {
            (option == "--lists-only" ? listsOnly : commonTlds) = true;
            continue;
        }
        if (option == "--adult") adult = std::atol(value);
        if (option == "--decisions") decisions = std::atoi(value);
        if (option == "--key") key = value;
        if (option == "--export") exportDir = value;
        if (option == "--repeat") {
            repeatKind = value;
            repeat = i + 2 < argc ? std::atoi(argv[i + 2]) : 0;
            ++i;
        }
        ++i;
    }
    const char* kKey = key.c_str();
    const long sizes[6] = {adult, 60000, 90000, 150000, 100000, 100000};
    const long total0 = sizes[0] + sizes[1] + sizes[2] + sizes[3] + sizes[4] + sizes[5];

    const auto dir = !exportDir.empty() ? std::filesystem::path(exportDir)
                                        : std::filesystem::temp_directory_path() /
                                              ("tb-filter-bench-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    const std::string directory = dir.string() + "/";

    // The lists, and a sample of their addresses to ask for.
    AddressMaker maker(20240611, true, commonTlds);
    std::vector<std::string> blocked;
    long total = 0;
    uint64_t listBytes = 0;
    const auto buildStart = Clock::now();
    for (int c = 0; c < 6; ++c) {
        std::vector<std::string> entries;
        entries.reserve(sizes[c]);
        for (long n = 0; n < sizes[c]; ++n) entries.push_back(maker.next());
        total += sizes[c];
        const long want =
            std::max<long>(1, static_cast<long>(double(decisions) * sizes[c] / total0));
        for (long n = 0; n < want && n < sizes[c]; ++n)
            blocked.push_back(entries[(n * 7919) % sizes[c]] + "index.htm");
        if (!exportDir.empty())
            writeLines(dir / (std::string(kCategoryFiles[c]) + ".txt"), entries);
        const std::string file = tb::listc::categoryListFile(entries, kKey);
        listBytes += file.size();
        writeFile(dir / (std::string("TBin") + char('D' + c) + ".dat"), file);
        writeFile(dir / (std::string("tbf") + char('D' + c) + ".dat"),
                  tb::listc::categoryWordFile({std::string("benchword") + char('a' + c)}, kKey));
    }
    AddressMaker parentMaker(7, true, commonTlds);
    std::vector<std::string> parents;
    for (int n = 0; n < 100; ++n) parents.push_back(parentMaker.next());
    writeFile(dir / "TBinA.dat", tb::listc::plainListFile(parents, kKey));
    writeFile(dir / "TBinC.dat", tb::listc::plainListFile(parents, kKey));
    for (auto& p : parents) p = "blocked-" + p;
    writeFile(dir / "TBinB.dat", tb::listc::plainListFile(parents, kKey));
    for (const char* page :
         {"restricted0.htm", "restricted1.htm", "restricted2.htm", "restricted3.htm"}) {
        writeFile(dir / page, "<html></html>");
    }
    const double buildSeconds = std::chrono::duration<double>(Clock::now() - buildStart).count();

    AddressMaker askMaker(99, false);
    std::vector<std::string> allowed;
    for (int n = 0; n < decisions; ++n) allowed.push_back("http://" + askMaker.next() + "page.htm");
    std::shuffle(blocked.begin(), blocked.end(), std::mt19937(5));
    for (auto& b : blocked) b = "http://" + b;
    if (!exportDir.empty()) {
        writeLines(dir / "allowed.txt", allowed);
        writeLines(dir / "blocked.txt", blocked);
    }
    if (listsOnly) return 0;

    FixedClock clock;
    NoDialogs dialogs;
    tb::Latin1Codec codec;
    tb::ServiceCore core(directory, {clock, dialogs, codec, std::cout});
    const auto loadStart = Clock::now();
    if (!core.load()) {
        std::printf("filter_bench: the lists did not load\n");
        return 1;
    }
    const double loadSeconds = std::chrono::duration<double>(Clock::now() - loadStart).count();

    std::printf("filter_bench: six category lists, %ld entries (", total);
    for (int c = 0; c < 6; ++c) std::printf("%s%s %ld", c ? ", " : "", kCategoryNames[c], sizes[c]);
    std::printf("), %s, %.1f MB of list files, built in %.1f s\n",
                commonTlds ? "hosts in common top-level domains" : "hosts in reserved names",
                listBytes / 1e6, buildSeconds);
    const size_t entries = core.lists().entryCount();
    std::printf("  load: %.2f s  index memory %.1f bytes/entry beside the files\n", loadSeconds,
                double(core.lists().indexMemory()) / entries);
    int wrong = 0;
    if (repeat > 0) {
        const bool blockedKind = repeatKind == "blocked";
        if (blockedKind) {
            for (const char* page :
                 {"restricted0.htm", "restricted1.htm", "restricted2.htm", "restricted3.htm"}) {
                std::filesystem::remove(dir / page);
            }
            core.load();
        }
        for (int n = 0; n < repeat; ++n) {
            const Figures f =
                timeDecisions(core, blockedKind ? blocked : allowed, blockedKind, wrong);
            std::printf("  %s, pass %d: %10.0f decisions/s\n", repeatKind.c_str(), n + 1,
                        f.perSecond);
        }
        return wrong ? 1 : 0;
    }
    // One pass first, so that both runs meet the files in the page cache.
    timeDecisions(core,
                  std::vector<std::string>(allowed.begin(),
                                           allowed.begin() + std::min<size_t>(50, allowed.size())),
                  false, wrong);
    wrong = 0;
    const Figures a = timeDecisions(core, allowed, false, wrong);
    const Figures b = timeDecisions(core, blocked, true, wrong);
    auto combined = [&](const Figures& blockedFigures) {
        return (allowed.size() + blocked.size()) /
               (allowed.size() / a.perSecond + blocked.size() / blockedFigures.perSecond);
    };
    std::printf("  allowed: %6zu decisions  %10.0f decisions/s  p50 %7.2f us  p99 %7.2f us\n",
                allowed.size(), a.perSecond, a.p50, a.p99);
    std::printf(
        "  blocked: %6zu decisions  %10.0f decisions/s  p50 %7.2f us  p99 %7.2f us  (each writes "
        "tbURLBlocked.txt for the local block page)\n",
        blocked.size(), b.perSecond, b.p50, b.p99);
    std::printf("  all:     %6zu decisions  %10.0f decisions/s\n", allowed.size() + blocked.size(),
                combined(b));

    // Without the local block pages the service sends the browser to the
    // vendor's page and writes no file: what the lists cost alone.
    for (const char* page :
         {"restricted0.htm", "restricted1.htm", "restricted2.htm", "restricted3.htm"}) {
        std::filesystem::remove(dir / page);
    }
    if (!core.load()) {
        std::printf("filter_bench: the lists did not load again\n");
        return 1;
    }
    const Figures r = timeDecisions(core, blocked, true, wrong);
    std::printf(
        "  blocked: %6zu decisions  %10.0f decisions/s  p50 %7.2f us  p99 %7.2f us  (remote block "
        "page: no file written)\n",
        blocked.size(), r.perSecond, r.p50, r.p99);
    std::printf("  all, remote block page: %10.0f decisions/s\n", combined(r));
    if (wrong) std::printf("  (%d decisions differed from the expected verdict)\n", wrong);

    std::error_code ignored;
    if (exportDir.empty()) std::filesystem::remove_all(dir, ignored);
    return 0;
}
