// A client of the service in a process of its own: creates tbserv.Log as a
// local server, finds the same object in the running object table, and
// exits 0 when both answered.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include "common/tbserv.h"

int main() {
    if (FAILED(CoInitialize(nullptr))) return 10;
    int result = 0;
    ILog* log = nullptr;
    if (FAILED(CoCreateInstance(CLSID_Log, nullptr, CLSCTX_LOCAL_SERVER, IID_ILog,
                                reinterpret_cast<void**>(&log)))) {
        result = 11;
    } else {
        BSTR page = nullptr;
        if (FAILED(log->GetLocalErrorPage(&page)) || !page) result = 12;
        SysFreeString(page);
        IUnknown* active = nullptr;
        if (FAILED(GetActiveObject(CLSID_Log, nullptr, &active))) result = 13;
        if (active) active->Release();
        log->Release();
    }
    CoUninitialize();
    return result;
}
