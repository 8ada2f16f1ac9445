// Builders for the core tests: a temporary service directory and the list
// files in it, made with the list compiler, so that a case reads in a few
// lines.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/list_encoding.h"
#include "tools/list_compiler/list_compiler.h"

namespace tb::testing {

inline constexpr char kTestKey[] = "mq4t7z2x";

// A fresh directory, removed with everything in it at the end.
class TempDirectory {
  public:
    TempDirectory() {
        static std::atomic<int> counter{0};
        const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        path_ = std::filesystem::temp_directory_path() /
                ("tbtest-" + std::to_string(stamp) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(path_);
    }
    ~TempDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    // With its trailing separator, as the service keeps its directory.
    std::string dir() const {
        return path_.string() + static_cast<char>(std::filesystem::path::preferred_separator);
    }
    std::string file(const std::string& name) const { return dir() + name; }
    bool has(const std::string& name) const { return std::filesystem::exists(path_ / name); }

    void write(const std::string& name, const std::string& bytes) const {
        std::ofstream out(file(name), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    std::string read(const std::string& name) const {
        std::ifstream in(file(name), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    void remove(const std::string& name) const { std::filesystem::remove(path_ / name); }

  private:
    std::filesystem::path path_;
};

inline std::string letterName(const char* pattern, char letter) {
    std::string name = pattern;
    name[name.find('?')] = letter;
    return name;
}

// The files of a service directory. complete() fills in whatever a case did
// not give: empty category lists and word files that carry only the key.
class ServiceFiles {
  public:
    explicit ServiceFiles(const TempDirectory& dir, std::string key = kTestKey)
        : dir_(dir), key_(std::move(key)) {}

    ServiceFiles& plain(char letter, const std::vector<std::string>& entries) {
        dir_.write(letterName("TBin?.dat", letter), listc::plainListFile(entries, key_));
        return *this;
    }
    ServiceFiles& allow(const std::vector<std::string>& entries) { return plain('A', entries); }
    ServiceFiles& block(const std::vector<std::string>& entries) { return plain('B', entries); }
    ServiceFiles& allowC(const std::vector<std::string>& entries) { return plain('C', entries); }
    // Category 0 to 5: lists D to I.
    ServiceFiles& category(int category, const std::vector<std::string>& entries) {
        dir_.write(letterName("TBin?.dat", char('D' + category)),
                   listc::categoryListFile(entries, key_));
        return *this;
    }
    ServiceFiles& categoryWords(int category, const std::vector<std::string>& words) {
        dir_.write(letterName("tbf?.dat", char('D' + category)),
                   listc::categoryWordFile(words, key_));
        return *this;
    }
    // tbu.dat as the service writes it: password, switch, words.
    ServiceFiles& wordFile(const std::vector<std::string>& lines) {
        std::string text;
        for (const std::string& line : lines) text += encoded(line, key_) + "\r\n";
        dir_.write("tbu.dat", text);
        return *this;
    }
    ServiceFiles& blockPages() {
        for (const char* page :
             {"restricted0.htm", "restricted1.htm", "restricted2.htm", "restricted3.htm"}) {
            dir_.write(page, "<html>blocked</html>");
        }
        return *this;
    }
    ServiceFiles& complete() {
        completed_ = true;
        for (int c = 0; c < 6; ++c) {
            if (!dir_.has(letterName("TBin?.dat", char('D' + c)))) category(c, {});
            if (!dir_.has(letterName("tbf?.dat", char('D' + c)))) categoryWords(c, {});
        }
        return *this;
    }

    bool completed() const { return completed_; }

  private:
    const TempDirectory& dir_;
    std::string key_;
    bool completed_ = false;
};

}  // namespace tb::testing
