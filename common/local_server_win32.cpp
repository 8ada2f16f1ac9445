#include "common/local_server_win32.h"

#include <ole2.h>
#include <oleauto.h>

#include <string>

namespace tb {
namespace {

using Microsoft::WRL::ComPtr;

// The server's program as registered, in the server's registry view.
std::wstring registeredServerCommand(REFCLSID clsid) {
    wchar_t id[40] = {};
    if (!StringFromGUID2(clsid, id, 40)) return {};
    const std::wstring path = std::wstring(L"CLSID\\") + id + L"\\LocalServer32";
    for (REGSAM view : {REGSAM{KEY_WOW64_64KEY}, REGSAM{0}}) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_QUERY_VALUE | view, &key) !=
            ERROR_SUCCESS)
            continue;
        wchar_t command[MAX_PATH + 64] = {};
        DWORD size = sizeof command - sizeof(wchar_t);
        DWORD type = 0;
        const LONG rc =
            RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(command), &size);
        RegCloseKey(key);
        if (rc == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ) && command[0])
            return command;
    }
    return {};
}

// The started process, or null.
HANDLE startProgram(std::wstring command) {
    // The server outlives its client: it must hold none of the client's
    // standard handles (Wine would otherwise hand it the client's pipes).
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

ComPtr<IUnknown> activeObject(REFCLSID clsid) {
    ComPtr<IUnknown> active;
    if (FAILED(GetActiveObject(clsid, nullptr, &active))) active.Reset();
    return active;
}

}  // namespace

ComPtr<IUnknown> createOrStartLocalServer(REFCLSID clsid, DWORD waitMs) {
    ComPtr<IUnknown> object;
    if (SUCCEEDED(CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, &object)) && object &&
        SUCCEEDED(OleRun(object.Get())))
        return object;
    if ((object = activeObject(clsid))) return object;
    const std::wstring command = registeredServerCommand(clsid);
    const HANDLE process = command.empty() ? nullptr : startProgram(command);
    if (!process) return nullptr;
    // A server that ends before it registers (it crashed, or could not
    // start) is not waited for: the caller hears at once.
    for (DWORD waited = 0; waited < waitMs && !object; waited += 100) {
        object = activeObject(clsid);
        if (!object && WaitForSingleObject(process, 100) == WAIT_OBJECT_0) {
            object = activeObject(clsid);
            break;
        }
    }
    CloseHandle(process);
    return object;
}

}  // namespace tb
