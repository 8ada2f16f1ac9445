// The four entry points of the in-process server tbtime.dll.
#include <windows.h>
#include <olectl.h>
#include <wrl/client.h>

#include "common/class_factory.h"
#include "common/registry_win32.h"
#include "common/type_library.h"
#include "time_server/time_server_object.h"

namespace {
constexpr int kRegistryScript = 102;
}

STDAPI DllCanUnloadNow() {
    return tb::ModuleLock::active() == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    return tb::getClassObject<tb::TimeServerObject>(rclsid, CLSID_TimeServer, riid, ppv);
}

STDAPI DllRegisterServer() {
    const HMODULE module = tb::thisModule();
    HRESULT hr = tb::runRegistryResource(module, kRegistryScript, tb::RegScriptMode::Register);
    if (FAILED(hr)) return hr;
    hr = tb::registerEmbeddedTypeLib(module);
    return FAILED(hr) ? SELFREG_E_TYPELIB : S_OK;
}

STDAPI DllUnregisterServer() {
    HRESULT hr =
        tb::runRegistryResource(tb::thisModule(), kRegistryScript, tb::RegScriptMode::Unregister);
    // A library that is not registered (any more) is no failure.
    Microsoft::WRL::ComPtr<ITypeLib> registered;
    if (SUCCEEDED(LoadRegTypeLib(LIBID_TBTIMELib, 1, 0, LOCALE_NEUTRAL, &registered))) {
        registered.Reset();
        const HRESULT unregistered = tb::unregisterTypeLib(LIBID_TBTIMELib, 1, 0);
        if (SUCCEEDED(hr) && FAILED(unregistered)) hr = SELFREG_E_TYPELIB;
    }
    return hr;
}
