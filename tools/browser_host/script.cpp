#include "tools/browser_host/script.h"

#include <cctype>
#include <cstdlib>

namespace tb::host {

namespace {

bool isKeyStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) != 0;
}
bool isKeyChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '.' || c == '-';
}

// Reads one blank-separated token with its quoted parts; false on an
// unterminated quote.
bool readToken(const std::string& text, size_t& pos, std::string& out, size_t& equals,
               bool& quotedAny) {
    out.clear();
    equals = std::string::npos;
    quotedAny = false;
    while (pos < text.size() && !std::isspace(static_cast<unsigned char>(text[pos]))) {
        const char c = text[pos];
        if (c != '"') {
            if (c == '=' && equals == std::string::npos && !quotedAny) equals = out.size();
            out += c;
            ++pos;
            continue;
        }
        quotedAny = true;
        ++pos;
        for (;;) {
            if (pos >= text.size()) return false;
            const char q = text[pos++];
            if (q == '"') break;
            if (q == '\\' && pos < text.size()) {
                const char e = text[pos++];
                out += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e;
            } else {
                out += q;
            }
        }
    }
    return true;
}

bool isOptionKey(const std::string& token, size_t equals) {
    if (equals == std::string::npos || equals == 0 || !isKeyStart(token[0])) return false;
    for (size_t i = 1; i < equals; ++i) {
        if (!isKeyChar(token[i])) return false;
    }
    return true;
}

}  // namespace

bool Command::has(const std::string& word) const {
    for (const std::string& w : words) {
        if (w == word) return true;
    }
    return false;
}

std::optional<std::string> Command::option(const std::string& key) const {
    for (const auto& [k, v] : options) {
        if (k == key) return v;
    }
    return std::nullopt;
}

std::optional<long> Command::number(const std::string& key, long fallback) const {
    const std::optional<std::string> text = option(key);
    if (!text) return fallback;
    char* end = nullptr;
    const long value = std::strtol(text->c_str(), &end, 0);
    if (text->empty() || *end != '\0') return std::nullopt;
    return value;
}

ParsedLine parseCommandLine(const std::string& text, int line) {
    ParsedLine parsed;
    size_t pos = 0;
    auto skipBlanks = [&] {
        while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
    };
    skipBlanks();
    if (pos >= text.size() || text[pos] == '#') return parsed;
    Command command;
    command.line = line;
    bool first = true;
    while (pos < text.size()) {
        std::string token;
        size_t equals = 0;
        bool quotedAny = false;
        if (!readToken(text, pos, token, equals, quotedAny)) {
            parsed.error = "unterminated quoted text";
            return parsed;
        }
        if (first) {
            command.name = token;
            first = false;
        } else if (isOptionKey(token, equals)) {
            command.options.emplace_back(token.substr(0, equals), token.substr(equals + 1));
        } else {
            command.words.push_back(token);
        }
        skipBlanks();
    }
    parsed.command = std::move(command);
    return parsed;
}

std::string quoted(const std::string& value) {
    bool plain = !value.empty();
    for (char c : value) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (std::isspace(u) || c == '"' || c == '\\' || u < 0x20) plain = false;
    }
    if (plain) return value;
    std::string out = "\"";
    for (char c : value) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                out += c;
        }
    }
    return out + "\"";
}

std::string outputLine(const std::string& kind, const std::string& subject,
                       const std::vector<std::pair<std::string, std::string>>& fields) {
    std::string out = kind;
    if (!subject.empty()) out += " " + quoted(subject);
    for (const auto& [key, value] : fields) out += " " + key + "=" + quoted(value);
    return out;
}

}  // namespace tb::host
