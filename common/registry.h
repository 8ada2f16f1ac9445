// The registry as the core sees it: keys by path below a root, string,
// DWORD and binary values, subkeys. Windows implements it with advapi32
// (registry_win32.h); tests use an in-memory registry.
//
// Paths use '\' between key names; the value name "" is the default value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tb {

enum class RegRoot { ClassesRoot, CurrentUser, LocalMachine };

class Registry {
public:
    virtual ~Registry() = default;

    virtual bool keyExists(RegRoot root, const std::string& path) = 0;
    // Opens or creates the key and every missing key above it.
    virtual bool createKey(RegRoot root, const std::string& path) = 0;
    // Deletes a key that has no subkeys (its values go with it).
    virtual bool deleteKey(RegRoot root, const std::string& path) = 0;
    // Deletes a key with everything below it.
    virtual bool deleteTree(RegRoot root, const std::string& path) = 0;

    virtual std::vector<std::string> subkeys(RegRoot root, const std::string& path) = 0;
    virtual std::vector<std::string> valueNames(RegRoot root, const std::string& path) = 0;

    virtual std::optional<std::string> readString(RegRoot root, const std::string& path,
                                                  const std::string& name) = 0;
    virtual std::optional<uint32_t> readDword(RegRoot root, const std::string& path, const std::string& name) = 0;
    virtual std::optional<std::vector<uint8_t>> readBinary(RegRoot root, const std::string& path,
                                                          const std::string& name) = 0;

    // Writing needs an existing key; createKey first where a key may be missing.
    virtual bool writeString(RegRoot root, const std::string& path, const std::string& name,
                             const std::string& value) = 0;
    virtual bool writeDword(RegRoot root, const std::string& path, const std::string& name, uint32_t value) = 0;
    virtual bool writeBinary(RegRoot root, const std::string& path, const std::string& name,
                             const std::vector<uint8_t>& value) = 0;
    virtual bool deleteValue(RegRoot root, const std::string& path, const std::string& name) = 0;
};

}  // namespace tb
