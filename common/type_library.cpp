#include "common/type_library.h"

#include <oleauto.h>
#include <olectl.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "common/com_convert.h"
#include "common/registry_win32.h"

namespace tb {

HMODULE thisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&thisModule), &module);
    return module;
}

std::wstring modulePath(HMODULE module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring moduleDirectory(HMODULE module) {
    std::wstring path = modulePath(module);
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

HRESULT loadTypeInfo(const GUID& libid, WORD major, WORD minor, REFIID iid, ITypeInfo** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadRegTypeLib(libid, major, minor, LOCALE_NEUTRAL, &lib);
    if (FAILED(hr)) hr = LoadTypeLibEx(modulePath(thisModule()).c_str(), REGKIND_NONE, &lib);
    if (FAILED(hr)) return hr;
    hr = lib->GetTypeInfoOfGuid(iid, out);
    lib->Release();
    return hr;
}

HRESULT registerEmbeddedTypeLib(HMODULE module) {
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadTypeLibEx(modulePath(module).c_str(), REGKIND_REGISTER, &lib);
    if (SUCCEEDED(hr)) lib->Release();
    return hr;
}

HRESULT unregisterTypeLib(const GUID& libid, WORD major, WORD minor) {
#ifdef _WIN64
    const SYSKIND kind = SYS_WIN64;
#else
    const SYSKIND kind = SYS_WIN32;
#endif
    return UnRegisterTypeLib(libid, major, minor, LOCALE_NEUTRAL, kind);
}

namespace {

std::string guidText(const GUID& guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return toAnsi(text, std::wcslen(text));
}

std::string versionKey(const GUID& libid, WORD major, WORD minor) {
    char version[16];
    std::snprintf(version, sizeof version, "%x.%x", major, minor);
    return "TypeLib\\" + guidText(libid) + "\\" + version;
}

// The interfaces that the universal marshaler serves: dual and automation
// interfaces, as RegisterTypeLib lists them.
template <typename Visit>
void forEachMarshalledInterface(ITypeLib* lib, Visit visit) {
    for (UINT i = 0, n = lib->GetTypeInfoCount(); i < n; ++i) {
        ITypeInfo* info = nullptr;
        if (FAILED(lib->GetTypeInfo(i, &info))) continue;
        TYPEATTR* attr = nullptr;
        if (SUCCEEDED(info->GetTypeAttr(&attr))) {
            const bool marshalled =
                (attr->typekind == TKIND_DISPATCH && (attr->wTypeFlags & TYPEFLAG_FDUAL)) ||
                (attr->typekind == TKIND_INTERFACE && (attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION));
            if (marshalled) {
                BSTR name = nullptr;
                info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
                visit(attr->guid, name ? toAnsi(name, SysStringLen(name)) : std::string());
                SysFreeString(name);
            }
            info->ReleaseTypeAttr(attr);
        }
        info->Release();
    }
}

constexpr char kUniversalMarshaler[] = "{00020424-0000-0000-C000-000000000046}";

}  // namespace

HRESULT registerTypeLibFor32BitClients(HMODULE module) {
#ifdef _WIN64
    ITypeLib* lib = nullptr;
    HRESULT hr = LoadTypeLibEx(modulePath(module).c_str(), REGKIND_NONE, &lib);
    if (FAILED(hr)) return hr;
    TLIBATTR* attr = nullptr;
    hr = lib->GetLibAttr(&attr);
    if (FAILED(hr)) {
        lib->Release();
        return hr;
    }
    const GUID libid = attr->guid;
    const std::string version = versionKey(libid, attr->wMajorVerNum, attr->wMinorVerNum);
    char minorVersion[16];
    std::snprintf(minorVersion, sizeof minorVersion, "%x.%x", attr->wMajorVerNum,
                  attr->wMinorVerNum);
    lib->ReleaseTLibAttr(attr);

    Win32Registry native(KEY_WOW64_64KEY), view32(KEY_WOW64_32KEY);
    const std::wstring path = modulePath(module);
    const std::string win32 = version + "\\0\\win32";
    bool ok =
        native.createKey(RegRoot::ClassesRoot, win32) &&
        native.writeString(RegRoot::ClassesRoot, win32, "", toAnsi(path.c_str(), path.size()));
    forEachMarshalledInterface(lib, [&](const GUID& iid, const std::string& name) {
        const std::string key = "Interface\\" + guidText(iid);
        ok = view32.createKey(RegRoot::ClassesRoot, key) &&
             view32.writeString(RegRoot::ClassesRoot, key, "", name) &&
             view32.createKey(RegRoot::ClassesRoot, key + "\\ProxyStubClsid") &&
             view32.writeString(RegRoot::ClassesRoot, key + "\\ProxyStubClsid", "",
                                kUniversalMarshaler) &&
             view32.createKey(RegRoot::ClassesRoot, key + "\\ProxyStubClsid32") &&
             view32.writeString(RegRoot::ClassesRoot, key + "\\ProxyStubClsid32", "",
                                kUniversalMarshaler) &&
             view32.createKey(RegRoot::ClassesRoot, key + "\\TypeLib") &&
             view32.writeString(RegRoot::ClassesRoot, key + "\\TypeLib", "", guidText(libid)) &&
             view32.writeString(RegRoot::ClassesRoot, key + "\\TypeLib", "Version", minorVersion) &&
             ok;
    });
    lib->Release();
    return ok ? S_OK : SELFREG_E_TYPELIB;
#else
    (void)module;
    return S_OK;
#endif
}

void unregisterTypeLibFor32BitClients(const GUID& libid, WORD major, WORD minor) {
#ifdef _WIN64
    Win32Registry native(KEY_WOW64_64KEY), view32(KEY_WOW64_32KEY);
    const std::string win32 = versionKey(libid, major, minor) + "\\0\\win32";
    const std::optional<std::string> path = native.readString(RegRoot::ClassesRoot, win32, "");
    if (path) {
        ITypeLib* lib = nullptr;
        if (SUCCEEDED(LoadTypeLibEx(toWide(*path).c_str(), REGKIND_NONE, &lib))) {
            forEachMarshalledInterface(lib, [&](const GUID& iid, const std::string&) {
                view32.deleteTree(RegRoot::ClassesRoot, "Interface\\" + guidText(iid));
            });
            lib->Release();
        }
    }
    native.deleteTree(RegRoot::ClassesRoot, win32);
#else
    (void)libid;
    (void)major;
    (void)minor;
#endif
}

}  // namespace tb
