// tbhelp.dll's entry points: the class object of the helper and its
// registration.
#include <windows.h>
#include <olectl.h>

#include "browser_helper/helper_object.h"
#include "browser_helper/resource.h"
#include "common/class_factory.h"
#include "common/registry_win32.h"
#include "common/type_library.h"

using tb::helper::TamberlyHelper;

STDAPI DllCanUnloadNow() {
    return tb::ModuleLock::active() == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    return tb::getClassObject<TamberlyHelper>(rclsid, CLSID_Tamberly, riid, ppv);
}

STDAPI DllRegisterServer() {
    const HMODULE module = tb::thisModule();
    const HRESULT hr = tb::runRegistryResource(module, IDR_TAMBERLY, tb::RegScriptMode::Register);
    if (FAILED(hr)) return hr;
    return tb::registerEmbeddedTypeLib(module);
}

// Removes the registry entries; the type library stays registered.
STDAPI DllUnregisterServer() {
    tb::runRegistryResource(tb::thisModule(), IDR_TAMBERLY, tb::RegScriptMode::Unregister);
    return S_OK;
}
