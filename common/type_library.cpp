#include "common/type_library.h"

#include <oleauto.h>

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

}  // namespace tb
