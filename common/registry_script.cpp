#include "common/registry_script.h"

#include <cctype>
#include <cstdlib>

#include "common/ansi_text.h"

namespace tb {

namespace {

struct Token {
    enum class Kind { Word, Quoted, Open, Close, Equals, End } kind = Kind::End;
    std::string text;
    int line = 0;
};

class Lexer {
public:
    Lexer(const std::string& text, const RegScriptVariables& variables) : text_(text), variables_(variables) {}

    // Fills tokens_; false with error_ set on bad input.
    bool run() {
        for (;;) {
            skipSpaceAndComments();
            if (pos_ >= text_.size()) break;
            const char c = text_[pos_];
            Token t;
            t.line = line_;
            if (c == '{' && pos_ + 1 < text_.size() && std::isxdigit(static_cast<unsigned char>(text_[pos_ + 1]))) {
                // A bare {GUID} is a name, not a block.
                t.kind = Token::Kind::Word;
                const size_t close = text_.find('}', pos_);
                if (close == std::string::npos) return fail("unterminated {GUID} name", line_);
                t.text = text_.substr(pos_, close - pos_ + 1);
                pos_ = close + 1;
            } else if (c == '{' || c == '}' || c == '=') {
                t.kind = c == '{' ? Token::Kind::Open : c == '}' ? Token::Kind::Close : Token::Kind::Equals;
                ++pos_;
            } else if (c == '\'') {
                t.kind = Token::Kind::Quoted;
                if (!readQuoted(t.text)) return false;
            } else {
                t.kind = Token::Kind::Word;
                while (pos_ < text_.size() && !std::isspace(static_cast<unsigned char>(text_[pos_])) &&
                       text_[pos_] != '{' && text_[pos_] != '}' && text_[pos_] != '=' && text_[pos_] != '\'') {
                    t.text += text_[pos_++];
                }
            }
            if (t.kind == Token::Kind::Quoted || t.kind == Token::Kind::Word) {
                if (!substitute(t.text, t.line)) return false;
            }
            tokens_.push_back(std::move(t));
        }
        Token end;
        end.line = line_;
        tokens_.push_back(end);
        return true;
    }

    std::vector<Token> tokens_;
    std::string error_;

private:
    void skipSpaceAndComments() {
        while (pos_ < text_.size()) {
            const char c = text_[pos_];
            if (c == '\n') {
                ++line_;
                ++pos_;
            } else if (std::isspace(static_cast<unsigned char>(c))) {
                ++pos_;
            } else if (c == '/' && pos_ + 1 < text_.size() && text_[pos_ + 1] == '/') {
                while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
            } else {
                break;
            }
        }
    }

    bool readQuoted(std::string& out) {
        ++pos_;  // opening quote
        for (;;) {
            if (pos_ >= text_.size()) return fail("unterminated quoted text", line_);
            const char c = text_[pos_++];
            if (c == '\n') ++line_;
            if (c != '\'') {
                out += c;
            } else if (pos_ < text_.size() && text_[pos_] == '\'') {
                out += '\'';
                ++pos_;
            } else {
                return true;
            }
        }
    }

    bool substitute(std::string& s, int line) {
        std::string out;
        for (size_t i = 0; i < s.size(); ++i) {
            if (s[i] != '%') {
                out += s[i];
                continue;
            }
            const size_t close = s.find('%', i + 1);
            if (close == std::string::npos) return fail("unterminated %variable%", line);
            const std::string name = s.substr(i + 1, close - i - 1);
            if (name.empty()) {
                out += '%';
            } else {
                const auto it = variables_.find(name);
                if (it == variables_.end()) return fail("unknown variable %" + name + "%", line);
                out += it->second;
            }
            i = close;
        }
        s = std::move(out);
        return true;
    }

    bool fail(const std::string& what, int line) {
        error_ = "line " + std::to_string(line) + ": " + what;
        return false;
    }

    const std::string& text_;
    const RegScriptVariables& variables_;
    size_t pos_ = 0;
    int line_ = 1;
};

class Parser {
public:
    explicit Parser(std::vector<Token> tokens) : tokens_(std::move(tokens)) {}

    std::optional<RegScript> run() {
        RegScript script;
        while (peek().kind != Token::Kind::End) {
            const Token& name = next();
            RegScriptRoot root;
            if (!rootOf(name.text, root.root)) return fail("unknown root key '" + name.text + "'", name.line);
            if (!expect(Token::Kind::Open, "'{' after the root key")) return std::nullopt;
            if (!keys(root.keys)) return std::nullopt;
            script.roots.push_back(std::move(root));
        }
        return script;
    }

    std::string error_;

private:
    static bool rootOf(const std::string& name, RegRoot& root) {
        const std::string n = lowered(name);
        if (n == "hkcr" || n == "hkey_classes_root") {
            root = RegRoot::ClassesRoot;
        } else if (n == "hkcu" || n == "hkey_current_user") {
            root = RegRoot::CurrentUser;
        } else if (n == "hklm" || n == "hkey_local_machine") {
            root = RegRoot::LocalMachine;
        } else {
            return false;
        }
        return true;
    }

    // Reads keys and values up to and including the closing brace.
    bool keys(std::vector<RegScriptKey>& out, RegScriptKey* owner = nullptr) {
        for (;;) {
            const Token& t = peek();
            if (t.kind == Token::Kind::Close) {
                next();
                return true;
            }
            if (t.kind == Token::Kind::End) return failed("missing '}'", t.line);
            if (t.kind != Token::Kind::Word && t.kind != Token::Kind::Quoted) {
                return failed("a key name was expected", t.line);
            }
            if (owner && t.kind == Token::Kind::Word && lowered(t.text) == "val") {
                next();
                const Token& name = next();
                if (name.kind != Token::Kind::Word && name.kind != Token::Kind::Quoted) {
                    return failed("a value name was expected after 'val'", name.line);
                }
                if (!expect(Token::Kind::Equals, "'=' after the value name")) return false;
                RegScriptValue value;
                if (!valueOf(value)) return false;
                owner->values.emplace_back(name.text, std::move(value));
                continue;
            }
            RegScriptKey key;
            if (!keyOf(key)) return false;
            out.push_back(std::move(key));
        }
    }

    bool keyOf(RegScriptKey& key) {
        Token t = next();
        if (t.kind == Token::Kind::Word) {
            const std::string flag = lowered(t.text);
            RegScriptKey::Flag f = RegScriptKey::Flag::None;
            if (flag == "noremove") f = RegScriptKey::Flag::NoRemove;
            if (flag == "forceremove") f = RegScriptKey::Flag::ForceRemove;
            if (flag == "delete") f = RegScriptKey::Flag::Delete;
            if (f != RegScriptKey::Flag::None) {
                key.flag = f;
                t = next();
                if (t.kind != Token::Kind::Word && t.kind != Token::Kind::Quoted) {
                    return failed("a key name was expected after the flag", t.line);
                }
            }
        }
        if (t.text.empty() || t.text.find('\\') != std::string::npos) {
            return failed("a key name must be one non-empty name", t.line);
        }
        key.name = t.text;
        if (peek().kind == Token::Kind::Equals) {
            next();
            RegScriptValue value;
            if (!valueOf(value)) return false;
            key.defaultValue = std::move(value);
        }
        if (peek().kind == Token::Kind::Open) {
            next();
            return keys(key.subkeys, &key);
        }
        return true;
    }

    bool valueOf(RegScriptValue& value) {
        const Token& type = next();
        const Token& data = next();
        if (type.kind != Token::Kind::Word || (data.kind != Token::Kind::Word && data.kind != Token::Kind::Quoted)) {
            return failed("a value is a type (s, d, b) and its data", type.line);
        }
        const std::string t = lowered(type.text);
        if (t == "s") {
            value.kind = RegScriptValue::Kind::String;
            value.text = data.text;
            return true;
        }
        if (t == "d") {
            value.kind = RegScriptValue::Kind::Dword;
            char* end = nullptr;
            const unsigned long long n = std::strtoull(data.text.c_str(), &end, 0);
            if (data.text.empty() || *end != '\0' || n > 0xFFFFFFFFull) {
                return failed("'" + data.text + "' is not a 32-bit number", data.line);
            }
            value.number = static_cast<uint32_t>(n);
            return true;
        }
        if (t == "b") {
            value.kind = RegScriptValue::Kind::Binary;
            if (data.text.size() % 2 != 0) return failed("binary data needs two hex digits a byte", data.line);
            for (size_t i = 0; i < data.text.size(); i += 2) {
                const std::string pair = data.text.substr(i, 2);
                if (!std::isxdigit(static_cast<unsigned char>(pair[0])) ||
                    !std::isxdigit(static_cast<unsigned char>(pair[1]))) {
                    return failed("'" + data.text + "' is not hex data", data.line);
                }
                value.bytes.push_back(static_cast<uint8_t>(std::strtoul(pair.c_str(), nullptr, 16)));
            }
            return true;
        }
        return failed("unknown value type '" + type.text + "'", type.line);
    }

    const Token& peek() const { return tokens_[pos_]; }
    const Token& next() {
        const Token& t = tokens_[pos_];
        if (pos_ + 1 < tokens_.size()) ++pos_;
        return t;
    }
    bool expect(Token::Kind kind, const std::string& what) {
        const Token& t = next();
        if (t.kind != kind) return failed(what + " was expected", t.line);
        return true;
    }
    bool failed(const std::string& what, int line) {
        if (error_.empty()) error_ = "line " + std::to_string(line) + ": " + what;
        return false;
    }
    std::optional<RegScript> fail(const std::string& what, int line) {
        failed(what, line);
        return std::nullopt;
    }

    std::vector<Token> tokens_;
    size_t pos_ = 0;
};

bool writeValue(Registry& registry, RegRoot root, const std::string& path, const std::string& name,
                const RegScriptValue& value) {
    switch (value.kind) {
        case RegScriptValue::Kind::String:
            return registry.writeString(root, path, name, value.text);
        case RegScriptValue::Kind::Dword:
            return registry.writeDword(root, path, name, value.number);
        case RegScriptValue::Kind::Binary:
            return registry.writeBinary(root, path, name, value.bytes);
    }
    return false;
}

std::string childPath(const std::string& parent, const std::string& name) {
    return parent.empty() ? name : parent + "\\" + name;
}

bool registerKey(Registry& registry, RegRoot root, const std::string& parent, const RegScriptKey& key) {
    const std::string path = childPath(parent, key.name);
    if (key.flag == RegScriptKey::Flag::Delete) {
        registry.deleteTree(root, path);
        return true;
    }
    if (key.flag == RegScriptKey::Flag::ForceRemove) registry.deleteTree(root, path);
    if (!registry.createKey(root, path)) return false;
    bool ok = true;
    if (key.defaultValue) ok = writeValue(registry, root, path, "", *key.defaultValue) && ok;
    for (const auto& [name, value] : key.values) ok = writeValue(registry, root, path, name, value) && ok;
    for (const RegScriptKey& sub : key.subkeys) ok = registerKey(registry, root, path, sub) && ok;
    return ok;
}

void unregisterKey(Registry& registry, RegRoot root, const std::string& parent, const RegScriptKey& key) {
    const std::string path = childPath(parent, key.name);
    if (key.flag == RegScriptKey::Flag::Delete || key.flag == RegScriptKey::Flag::ForceRemove) {
        registry.deleteTree(root, path);
        return;
    }
    if (!registry.keyExists(root, path)) return;
    for (const RegScriptKey& sub : key.subkeys) unregisterKey(registry, root, path, sub);
    // A key that still holds keys of other components stays; only what the
    // script wrote into it goes.
    if (key.flag == RegScriptKey::Flag::NoRemove || !registry.deleteKey(root, path)) {
        for (const auto& value : key.values) registry.deleteValue(root, path, value.first);
        if (key.flag != RegScriptKey::Flag::NoRemove && key.defaultValue) registry.deleteValue(root, path, "");
    }
}

}  // namespace

RegScriptParse parseRegScript(const std::string& text, const RegScriptVariables& variables) {
    RegScriptParse result;
    Lexer lexer(text, variables);
    if (!lexer.run()) {
        result.error = lexer.error_;
        return result;
    }
    Parser parser(std::move(lexer.tokens_));
    result.script = parser.run();
    if (!result.script) result.error = parser.error_;
    return result;
}

bool runRegScript(const RegScript& script, RegScriptMode mode, Registry& registry) {
    bool ok = true;
    for (const RegScriptRoot& root : script.roots) {
        for (const RegScriptKey& key : root.keys) {
            if (mode == RegScriptMode::Register) {
                ok = registerKey(registry, root.root, "", key) && ok;
            } else {
                unregisterKey(registry, root.root, "", key);
            }
        }
    }
    return ok;
}

}  // namespace tb
