// An in-memory registry for core tests. Key names compare without regard to
// case, as on Windows; deleteKey refuses a key with subkeys, as on the NT
// family.
#pragma once

#include <map>
#include <memory>
#include <variant>

#include "common/ansi_text.h"
#include "common/registry.h"

namespace tb::testing {

class MemoryRegistry : public Registry {
public:
    using Value = std::variant<std::string, uint32_t, std::vector<uint8_t>>;

    struct Key {
        std::map<std::string, std::unique_ptr<Key>> subkeys;  // by lower-case name
        std::map<std::string, std::string> names;             // lower-case -> as created
        std::map<std::string, Value> values;                  // by lower-case name
        std::map<std::string, std::string> valueNames;
    };

    bool keyExists(RegRoot root, const std::string& path) override { return find(root, path) != nullptr; }

    bool createKey(RegRoot root, const std::string& path) override {
        Key* k = &roots_[root];
        for (const std::string& part : split(path)) {
            auto& slot = k->subkeys[lowered(part)];
            if (!slot) {
                slot = std::make_unique<Key>();
                k->names[lowered(part)] = part;
            }
            k = slot.get();
        }
        return true;
    }

    bool deleteKey(RegRoot root, const std::string& path) override {
        Key* k = find(root, path);
        if (!k || !k->subkeys.empty()) return false;
        return erase(root, path);
    }

    bool deleteTree(RegRoot root, const std::string& path) override {
        if (!find(root, path)) return true;
        return erase(root, path);
    }

    std::vector<std::string> subkeys(RegRoot root, const std::string& path) override {
        std::vector<std::string> out;
        if (Key* k = find(root, path)) {
            for (const auto& entry : k->subkeys) out.push_back(k->names[entry.first]);
        }
        return out;
    }

    std::vector<std::string> valueNames(RegRoot root, const std::string& path) override {
        std::vector<std::string> out;
        if (Key* k = find(root, path)) {
            for (const auto& entry : k->values) out.push_back(k->valueNames[entry.first]);
        }
        return out;
    }

    std::optional<std::string> readString(RegRoot root, const std::string& path, const std::string& name) override {
        return read<std::string>(root, path, name);
    }
    std::optional<uint32_t> readDword(RegRoot root, const std::string& path, const std::string& name) override {
        return read<uint32_t>(root, path, name);
    }
    std::optional<std::vector<uint8_t>> readBinary(RegRoot root, const std::string& path,
                                                  const std::string& name) override {
        const Value* v = value(root, path, name);
        if (!v) return std::nullopt;
        if (auto* bytes = std::get_if<std::vector<uint8_t>>(v)) return *bytes;
        if (auto* text = std::get_if<std::string>(v)) {
            std::vector<uint8_t> out(text->begin(), text->end());
            out.push_back(0);
            return out;
        }
        const uint32_t n = std::get<uint32_t>(*v);
        return std::vector<uint8_t>{uint8_t(n), uint8_t(n >> 8), uint8_t(n >> 16), uint8_t(n >> 24)};
    }

    bool writeString(RegRoot root, const std::string& path, const std::string& name,
                     const std::string& v) override {
        return write(root, path, name, v);
    }
    bool writeDword(RegRoot root, const std::string& path, const std::string& name, uint32_t v) override {
        return write(root, path, name, v);
    }
    bool writeBinary(RegRoot root, const std::string& path, const std::string& name,
                     const std::vector<uint8_t>& v) override {
        return write(root, path, name, v);
    }
    bool deleteValue(RegRoot root, const std::string& path, const std::string& name) override {
        Key* k = find(root, path);
        return k && k->values.erase(lowered(name)) > 0;
    }

    // Every key path below a root, for whole-registry comparisons in tests.
    std::vector<std::string> allKeys(RegRoot root) {
        std::vector<std::string> out;
        walk(roots_[root], "", out);
        return out;
    }

private:
    static std::vector<std::string> split(const std::string& path) {
        std::vector<std::string> parts;
        std::string part;
        for (char c : path) {
            if (c == '\\') {
                if (!part.empty()) parts.push_back(part);
                part.clear();
            } else {
                part += c;
            }
        }
        if (!part.empty()) parts.push_back(part);
        return parts;
    }

    Key* find(RegRoot root, const std::string& path) {
        Key* k = &roots_[root];
        for (const std::string& part : split(path)) {
            auto it = k->subkeys.find(lowered(part));
            if (it == k->subkeys.end()) return nullptr;
            k = it->second.get();
        }
        return k;
    }

    bool erase(RegRoot root, const std::string& path) {
        std::vector<std::string> parts = split(path);
        if (parts.empty()) return false;
        const std::string last = lowered(parts.back());
        parts.pop_back();
        std::string parent;
        for (const auto& p : parts) parent += (parent.empty() ? "" : "\\") + p;
        Key* k = find(root, parent);
        if (!k) return false;
        k->names.erase(last);
        return k->subkeys.erase(last) > 0;
    }

    const Value* value(RegRoot root, const std::string& path, const std::string& name) {
        Key* k = find(root, path);
        if (!k) return nullptr;
        auto it = k->values.find(lowered(name));
        return it == k->values.end() ? nullptr : &it->second;
    }

    template <class T>
    std::optional<T> read(RegRoot root, const std::string& path, const std::string& name) {
        const Value* v = value(root, path, name);
        if (!v || !std::holds_alternative<T>(*v)) return std::nullopt;
        return std::get<T>(*v);
    }

    template <class T>
    bool write(RegRoot root, const std::string& path, const std::string& name, const T& v) {
        Key* k = find(root, path);
        if (!k) return false;
        k->values[lowered(name)] = v;
        k->valueNames[lowered(name)] = name;
        return true;
    }

    void walk(Key& k, const std::string& path, std::vector<std::string>& out) {
        for (auto& entry : k.subkeys) {
            const std::string child = (path.empty() ? "" : path + "\\") + k.names[entry.first];
            out.push_back(child);
            walk(*entry.second, child, out);
        }
    }

    std::map<RegRoot, Key> roots_;
};

}  // namespace tb::testing
