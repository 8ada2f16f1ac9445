// The registry seam on advapi32, and registry scripts kept as resources of
// type "REGISTRY" in a module.
#pragma once

#include <windows.h>

#include <string>
#include <utility>

#include "common/registry.h"
#include "common/registry_script.h"

namespace tb {

class RegKey {
public:
    RegKey() = default;
    explicit RegKey(HKEY key) : key_(key) {}
    ~RegKey() { reset(); }
    RegKey(RegKey&& other) noexcept : key_(std::exchange(other.key_, nullptr)) {}
    RegKey& operator=(RegKey&& other) noexcept {
        if (this != &other) {
            reset();
            key_ = std::exchange(other.key_, nullptr);
        }
        return *this;
    }
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;

    HKEY get() const { return key_; }
    HKEY* receive() {
        reset();
        return &key_;
    }
    explicit operator bool() const { return key_ != nullptr; }
    void reset() {
        if (key_) RegCloseKey(key_);
        key_ = nullptr;
    }

private:
    HKEY key_ = nullptr;
};

HKEY rootKey(RegRoot root);

// The registry of this process's own view, or of one chosen view on 64-bit
// Windows: KEY_WOW64_32KEY reaches what 32-bit programs see (WOW6432Node),
// KEY_WOW64_64KEY what 64-bit programs see. 32-bit Windows ignores both.
class Win32Registry : public Registry {
public:
    explicit Win32Registry(REGSAM view = 0) : view_(view) {}

    bool keyExists(RegRoot root, const std::string& path) override;
    bool createKey(RegRoot root, const std::string& path) override;
    bool deleteKey(RegRoot root, const std::string& path) override;
    bool deleteTree(RegRoot root, const std::string& path) override;
    std::vector<std::string> subkeys(RegRoot root, const std::string& path) override;
    std::vector<std::string> valueNames(RegRoot root, const std::string& path) override;
    std::optional<std::string> readString(RegRoot root, const std::string& path, const std::string& name) override;
    std::optional<uint32_t> readDword(RegRoot root, const std::string& path, const std::string& name) override;
    std::optional<std::vector<uint8_t>> readBinary(RegRoot root, const std::string& path,
                                                  const std::string& name) override;
    bool writeString(RegRoot root, const std::string& path, const std::string& name,
                     const std::string& value) override;
    bool writeDword(RegRoot root, const std::string& path, const std::string& name, uint32_t value) override;
    bool writeBinary(RegRoot root, const std::string& path, const std::string& name,
                     const std::vector<uint8_t>& value) override;
    bool deleteValue(RegRoot root, const std::string& path, const std::string& name) override;

private:
    RegKey open(RegRoot root, const std::string& path, REGSAM access) const;

    REGSAM view_;
};

// The module's file name in its short (8.3) form where the file system has
// one, else the long form.
std::string shortModulePath(HMODULE module);

// Runs the registry script resource `id` of `module`. %MODULE% is the
// module's path and %MODULE_SHORT% its short path; `variables` adds more.
// Returns S_OK, or an error for a missing or broken script or a failed step.
HRESULT runRegistryResource(HMODULE module, int id, RegScriptMode mode, RegScriptVariables variables = {});

}  // namespace tb
