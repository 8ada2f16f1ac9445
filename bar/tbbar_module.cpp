// tbbar.dll's entry points: the class object of the bar and its
// registration (registry script, type library, horizontal explorer bar
// category).
#include <windows.h>
#include <comcat.h>
#include <olectl.h>
#include <shlguid.h>
#include <wrl/client.h>

#include "bar/band_window.h"
#include "bar/bar_object.h"
#include "bar/resource.h"
#include "common/class_factory.h"
#include "common/registry_win32.h"
#include "common/type_library.h"

using Microsoft::WRL::ComPtr;
using tb::bar::TamberlyBar;

namespace {

constexpr LCID kTypeLibLocale = 0x409;

HRESULT categories(ComPtr<ICatRegister>& out) {
    return CoCreateInstance(CLSID_StdComponentCategoriesMgr, nullptr, CLSCTX_INPROC_SERVER,
                            IID_PPV_ARGS(&out));
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    // Unloaded by FreeLibrary (not at process end): take the class back.
    if (reason == DLL_PROCESS_DETACH && !reserved) tb::bar::unregisterBandWindowClass(instance);
    return TRUE;
}

STDAPI DllCanUnloadNow() {
    return tb::ModuleLock::active() == 0 ? S_OK : S_FALSE;
}

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    return tb::getClassObject<TamberlyBar>(rclsid, CLSID_CTamberlyBar, riid, ppv);
}

STDAPI DllRegisterServer() {
    const HMODULE module = tb::thisModule();
    HRESULT hr = tb::runRegistryResource(module, IDR_TAMBERLYBAR, tb::RegScriptMode::Register);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = tb::registerEmbeddedTypeLib(module))) return hr;
    ComPtr<ICatRegister> registrar;
    if (FAILED(hr = categories(registrar))) return hr;
    CATID band = CATID_CommBand;
    return registrar->RegisterClassImplCategories(CLSID_CTamberlyBar, 1, &band);
}

// The category and the type library go first: both live below keys that
// the script removes.
STDAPI DllUnregisterServer() {
    ComPtr<ICatRegister> registrar;
    if (SUCCEEDED(categories(registrar))) {
        CATID band = CATID_CommBand;
        registrar->UnRegisterClassImplCategories(CLSID_CTamberlyBar, 1, &band);
    }
#ifdef _WIN64
    UnRegisterTypeLib(LIBID_TBBARLib, 1, 0, kTypeLibLocale, SYS_WIN64);
#else
    UnRegisterTypeLib(LIBID_TBBARLib, 1, 0, kTypeLibLocale, SYS_WIN32);
#endif
    tb::runRegistryResource(tb::thisModule(), IDR_TAMBERLYBAR, tb::RegScriptMode::Unregister);
    return S_OK;
}
