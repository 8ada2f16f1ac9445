#include "tools/list_compiler/list_compiler.h"

#include <array>

#include "common/ansi_text.h"
#include "common/list_encoding.h"

namespace tb::listc {

namespace {

constexpr size_t kEntryChars = 1023;
constexpr size_t kKeyChars = 259;
constexpr int kFirst = 32, kLast = 126;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

}  // namespace

std::vector<std::string> readLines(std::string_view text) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        while (!line.empty() && isBlank(line.front())) line.remove_prefix(1);
        while (!line.empty() && isBlank(line.back())) line.remove_suffix(1);
        if (!line.empty() && line.front() != '#') out.emplace_back(line);
        start = end + 1;
    }
    return out;
}

std::string normalEntry(std::string_view address) {
    return lowered(address.substr(0, kEntryChars));
}

std::optional<std::string> keyProblem(std::string_view key) {
    const std::string k = lowered(key);
    if (k.empty()) return "the key is empty";
    if (k.size() > kKeyChars) return "the key is longer than 259 characters";
    for (char c : k) {
        if (c == '\r' || c == '\n' || c == '/') return "the key holds a line end or '/'";
    }
    if (decoded(encoded(k, kDefaultListKey), kDefaultListKey) != k) {
        return "the key does not survive encoding with the default key";
    }
    return std::nullopt;
}

std::string usableKey(std::string_view key) {
    return lowered(key);
}

char sectionOf(std::string_view encodedEntry) {
    if (encodedEntry.size() < 5) return ' ';
    const int c = static_cast<unsigned char>(encodedEntry[4]);
    return (c >= kFirst && c <= kLast) ? static_cast<char>(c) : ' ';
}

std::string categoryListFile(const std::vector<std::string>& addresses, std::string_view key) {
    std::array<std::string, kLast - kFirst + 1> sections;
    for (const std::string& a : addresses) {
        const std::string e = encoded(normalEntry(a), key);
        std::string& section = sections[sectionOf(e) - kFirst];
        section += e;
        section += '\r';
    }
    std::string out;
    size_t offset = 0;
    for (int c = kFirst; c <= kLast; ++c) {
        out += static_cast<char>(c);
        out += "\r\n";
        out += std::to_string(offset);
        out += "\r\n";
        offset += sections[c - kFirst].size();
    }
    for (const std::string& section : sections) out += section;
    return out;
}

std::string plainListFile(const std::vector<std::string>& addresses, std::string_view key) {
    std::string out;
    for (const std::string& a : addresses) {
        out += encoded(normalEntry(a), key);
        out += '\r';
    }
    return out;
}

std::string categoryWordFile(const std::vector<std::string>& words, std::string_view key) {
    std::string out = encoded(usableKey(key), kDefaultListKey) + "\r\n";
    for (const std::string& w : words) {
        out += encoded(lowered(w).substr(0, kKeyChars), key);
        out += "\r\n";
    }
    return out;
}

}  // namespace tb::listc
