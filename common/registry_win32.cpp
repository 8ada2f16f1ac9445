#include "common/registry_win32.h"

#include "common/com_convert.h"
#include "common/type_library.h"

#include <olectl.h>

namespace tb {

HKEY rootKey(RegRoot root) {
    switch (root) {
        case RegRoot::ClassesRoot:
            return HKEY_CLASSES_ROOT;
        case RegRoot::CurrentUser:
            return HKEY_CURRENT_USER;
        case RegRoot::LocalMachine:
            return HKEY_LOCAL_MACHINE;
    }
    return HKEY_LOCAL_MACHINE;
}

namespace {

std::optional<std::vector<uint8_t>> readRaw(const RegKey& key, const std::string& name,
                                            DWORD& type) {
    if (!key) return std::nullopt;
    DWORD size = 0;
    if (RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, nullptr, &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    std::vector<uint8_t> data(size);
    for (int attempt = 0; attempt < 3; ++attempt) {
        size = static_cast<DWORD>(data.size());
        const LONG rc = RegQueryValueExA(key.get(), name.c_str(), nullptr, &type, data.data(), &size);
        if (rc == ERROR_SUCCESS) {
            data.resize(size);
            return data;
        }
        if (rc != ERROR_MORE_DATA) return std::nullopt;
        data.resize(size);
    }
    return std::nullopt;
}

bool writeRaw(const RegKey& key, const std::string& name, DWORD type, const void* data,
              DWORD size) {
    if (!key) return false;
    return RegSetValueExA(key.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

}  // namespace

RegKey Win32Registry::open(RegRoot root, const std::string& path, REGSAM access) const {
    RegKey key;
    if (RegOpenKeyExA(rootKey(root), path.c_str(), 0, access | view_, key.receive()) !=
        ERROR_SUCCESS)
        key.reset();
    return key;
}

bool Win32Registry::keyExists(RegRoot root, const std::string& path) {
    return static_cast<bool>(open(root, path, KEY_READ));
}

bool Win32Registry::createKey(RegRoot root, const std::string& path) {
    RegKey key;
    return RegCreateKeyExA(rootKey(root), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_READ | KEY_WRITE | view_, nullptr, key.receive(),
                           nullptr) == ERROR_SUCCESS;
}

bool Win32Registry::deleteKey(RegRoot root, const std::string& path) {
    return RegDeleteKeyExA(rootKey(root), path.c_str(), view_, 0) == ERROR_SUCCESS;
}

bool Win32Registry::deleteTree(RegRoot root, const std::string& path) {
    if (!keyExists(root, path)) return true;
    if (RegKey key = open(root, path, KEY_ALL_ACCESS)) RegDeleteTreeA(key.get(), nullptr);
    return deleteKey(root, path) || !keyExists(root, path);
}

std::vector<std::string> Win32Registry::subkeys(RegRoot root, const std::string& path) {
    std::vector<std::string> names;
    RegKey key = open(root, path, KEY_ENUMERATE_SUB_KEYS);
    if (!key) return names;
    char name[256];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumKeyExA(key.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    return names;
}

std::vector<std::string> Win32Registry::valueNames(RegRoot root, const std::string& path) {
    std::vector<std::string> names;
    RegKey key = open(root, path, KEY_QUERY_VALUE);
    if (!key) return names;
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD size = sizeof name;
        if (RegEnumValueA(key.get(), i, name, &size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        names.emplace_back(name, size);
    }
    return names;
}

std::optional<std::string> Win32Registry::readString(RegRoot root, const std::string& path,
                                                     const std::string& name) {
    DWORD type = 0;
    auto raw = readRaw(open(root, path, KEY_QUERY_VALUE), name, type);
    if (!raw || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    std::string text(raw->begin(), raw->end());
    return std::string(text.c_str());  // up to the terminator, if stored with one
}

std::optional<uint32_t> Win32Registry::readDword(RegRoot root, const std::string& path, const std::string& name) {
    DWORD type = 0;
    auto raw = readRaw(open(root, path, KEY_QUERY_VALUE), name, type);
    if (!raw || type != REG_DWORD || raw->size() != 4) return std::nullopt;
    return static_cast<uint32_t>((*raw)[0] | ((*raw)[1] << 8) | ((*raw)[2] << 16) | ((*raw)[3] << 24));
}

std::optional<std::vector<uint8_t>> Win32Registry::readBinary(RegRoot root, const std::string& path,
                                                             const std::string& name) {
    DWORD type = 0;
    return readRaw(open(root, path, KEY_QUERY_VALUE), name, type);
}

bool Win32Registry::writeString(RegRoot root, const std::string& path, const std::string& name,
                                const std::string& value) {
    return writeRaw(open(root, path, KEY_SET_VALUE), name, REG_SZ, value.c_str(),
                    static_cast<DWORD>(value.size() + 1));
}

bool Win32Registry::writeDword(RegRoot root, const std::string& path, const std::string& name, uint32_t value) {
    const DWORD v = value;
    return writeRaw(open(root, path, KEY_SET_VALUE), name, REG_DWORD, &v, sizeof v);
}

bool Win32Registry::writeBinary(RegRoot root, const std::string& path, const std::string& name,
                                const std::vector<uint8_t>& value) {
    return writeRaw(open(root, path, KEY_SET_VALUE), name, REG_BINARY, value.data(),
                    static_cast<DWORD>(value.size()));
}

bool Win32Registry::deleteValue(RegRoot root, const std::string& path, const std::string& name) {
    RegKey key = open(root, path, KEY_SET_VALUE);
    if (!key) return false;
    return RegDeleteValueA(key.get(), name.c_str()) == ERROR_SUCCESS;
}

std::string shortModulePath(HMODULE module) {
    const std::wstring path = modulePath(module);
    std::wstring shortPath(MAX_PATH, L'\0');
    const DWORD n = GetShortPathNameW(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
    if (n == 0 || n >= shortPath.size()) return toAnsi(path.c_str(), path.size());
    return toAnsi(shortPath.c_str(), n);
}

HRESULT runRegistryResource(HMODULE module, int id, RegScriptMode mode, RegScriptVariables variables) {
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), "REGISTRY");
    if (!found) return HRESULT_FROM_WIN32(ERROR_RESOURCE_NAME_NOT_FOUND);
    HGLOBAL loaded = LoadResource(module, found);
    const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!data) return E_FAIL;
    const std::string text(data, SizeofResource(module, found));
    const std::wstring path = modulePath(module);
    variables.emplace("MODULE", toAnsi(path.c_str(), path.size()));
    variables.emplace("MODULE_SHORT", shortModulePath(module));
    const RegScriptParse parsed = parseRegScript(text, variables);
    if (!parsed.script) {
        OutputDebugStringA(("registry script " + std::to_string(id) + ": " + parsed.error + "\n").c_str());
        return E_UNEXPECTED;
    }
    Win32Registry registry;
    return runRegScript(*parsed.script, mode, registry) ? S_OK : SELFREG_E_CLASS;
}

}  // namespace tb
