// Stands in for an in-process component of the product (the browser
// helper, the bar) in installer and uninstall tests: its registration
// entry points record themselves under HKLM\Software\TamberlyTest with the
// module's file name.
#include <windows.h>

namespace {

HMODULE self() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&self), &module);
    return module;
}

HRESULT record(const char* state) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(self(), path, MAX_PATH);
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (*p == '\\') name = p + 1;
    }
    HKEY key = nullptr;
    if (RegCreateKeyA(HKEY_LOCAL_MACHINE, "Software\\TamberlyTest", &key) != ERROR_SUCCESS) return E_FAIL;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(state), lstrlenA(state) + 1);
    RegCloseKey(key);
    return S_OK;
}

}  // namespace

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() { return record("registered"); }
extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() { return record("unregistered"); }
