#include "service/process/local_server_win32.h"

#include <oleauto.h>

#include <vector>

#include "common/registry_win32.h"
#include "common/tbserv.h"
#include "common/type_library.h"
#include "service/process/process_resources.h"
#include "service/process/proxy_keeping.h"
#include "service/process/service_lock.h"
#include "service/timed/proxy_mode.h"
#include "service/uninstall/uninstall_steps.h"
#include "service/uninstall/uninstall_win32.h"

namespace tb {

// --- The class factory --------------------------------------------------------

SingletonClassFactory::SingletonClassFactory(IUnknown* object, KeepAliveMonitor* monitor)
    : object_(object), monitor_(monitor) {
    if (object_) object_->AddRef();
}

SingletonClassFactory::~SingletonClassFactory() {
    if (object_) object_->Release();
}

STDMETHODIMP SingletonClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (!object_) return E_OUTOFMEMORY;
    if (monitor_) monitor_->noteActivity();
    return object_->QueryInterface(riid, ppv);
}

STDMETHODIMP SingletonClassFactory::LockServer(BOOL lock) {
    if (lock) {
        ++serverLocks_;
    } else if (serverLocks_ > 0 && --serverLocks_ == 0 && monitor_) {
        monitor_->signal();
    }
    return S_OK;
}

// --- Process state and registration ---------------------------------------------

ServiceProcess& serviceProcess() {
    static ServiceProcess state;
    return state;
}

uint32_t readUsingProxy() {
    Win32Registry registry;
    return registry.readDword(RegRoot::LocalMachine, uninstall::kProductKey, "usingProxy")
        .value_or(0);
}

HRESULT registerServer(HMODULE module, uint32_t usingProxy) {
    HRESULT hr = runRegistryResource(module, IDR_SCRIPT_APPLICATION, RegScriptMode::Register);
    if (SUCCEEDED(hr))
        hr = runRegistryResource(module, IDR_SCRIPT_OBJECTS, RegScriptMode::Register);
    if (SUCCEEDED(hr)) hr = registerEmbeddedTypeLib(module);
    if (SUCCEEDED(hr)) hr = registerTypeLibFor32BitClients(module);
    if (SUCCEEDED(hr) && usingProxy == uninstall::kProxyMode) {
        Win32Registry registry;
        proxy::saveUserProxySettings(registry);
    }
    return hr;
}

HRESULT unregisterRegistrations(HMODULE module) {
    HRESULT hr = runRegistryResource(module, IDR_SCRIPT_APPLICATION, RegScriptMode::Unregister);
    const HRESULT objects =
        runRegistryResource(module, IDR_SCRIPT_OBJECTS, RegScriptMode::Unregister);
    if (SUCCEEDED(hr)) hr = objects;
    // A type library that is not registered is no failure here.
    unregisterTypeLibFor32BitClients(LIBID_tbservLib, 1, 0);
    unregisterTypeLib(LIBID_tbservLib, 1, 0);
    return hr;
}

HRESULT unregisterServer(HMODULE module, uint32_t usingProxy) {
    const HRESULT hr = unregisterRegistrations(module);
    if (usingProxy == uninstall::kProxyMode || usingProxy == uninstall::kPendingProxy) {
        uninstall::restoreProxyThroughTbreglib();
    }
    return hr;
}

void runUninstallStepOne() {
    ServiceProcess& process = serviceProcess();
    HMODULE module = process.module ? process.module : GetModuleHandleW(nullptr);
    uninstall::Win32UninstallSystem system(
        {[module] { unregisterRegistrations(module); }, nullptr, process.restart});
    Win32Registry registry;
    const auto wow64 = uninstall::Wow64Machine::detect();
    uninstall::uninstallStepOne(uninstall::systemDirectory(), process.usingProxy, registry, system,
                                wow64 ? &wow64->side() : nullptr);
}

void showFilterState(bool filterOn) {
    if (serviceProcess().tray) serviceProcess().tray->showState(filterOn);
}

void endService() {
    ServiceProcess& process = serviceProcess();
    process.monitor.stop();
    if (process.mainThreadId) {
        PostThreadMessageW(process.mainThreadId, WM_QUIT, 0, 0);
    } else {
        PostQuitMessage(0);
    }
}

// --- The resident run -------------------------------------------------------------

namespace {

struct RegisteredClass {
    Microsoft::WRL::ComPtr<IClassFactory> factory;
    DWORD cookie = 0;
};

constexpr wchar_t kSessionWindowClass[] = L"TamberlySession";

// Windows ends a session by asking every top-level window, then telling it,
// and ends the process soon after: everything is saved before the answer,
// and again (what changed meanwhile) once the end is certain.
LRESULT CALLBACK sessionWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* service = reinterpret_cast<ServiceObject*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
        case WM_QUERYENDSESSION:
            if (service) service->save();
            return TRUE;
        case WM_ENDSESSION:
            if (wParam && service) {
                service->save();
                endService();
            }
            return 0;
        default:
            return DefWindowProcW(window, message, wParam, lParam);
    }
}

// A hidden top-level window of the main thread, there from the start: the
// tray's windows come only with the icon.
HWND createSessionWindow(HMODULE module, ServiceObject& service) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = sessionWindowProc;
    windowClass.hInstance = module;
    windowClass.lpszClassName = kSessionWindowClass;
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, kSessionWindowClass, L"Tamberly", WS_POPUP, 0, 0, 0, 0,
                                  nullptr, nullptr, module, nullptr);
    if (window) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&service));
    return window;
}

}  // namespace

int runResidentService(ServiceObject& service) {
    ServiceProcess& process = serviceProcess();
    if (!process.mainThreadId) process.mainThreadId = GetCurrentThreadId();
    process.monitor.start();

    DWORD activeCookie = 0;
    RegisterActiveObject(service.object(), CLSID_Log, ACTIVEOBJECT_STRONG, &activeCookie);
    const HMODULE module = process.module ? process.module : GetModuleHandleW(nullptr);
    process.tray = std::make_unique<tray::TrayHost>(module, service.calls(),
                                                    [&service] { service.initializeHook(); });
    HWND sessionWindow = createSessionWindow(module, service);
    service.load();

    std::vector<std::pair<CLSID, Microsoft::WRL::ComPtr<IClassFactory>>> classes =
        service.otherClasses();
    {
        Microsoft::WRL::ComPtr<IClassFactory> factory;
        factory.Attach(SingletonClassFactory::create(service.object(), &process.monitor));
        classes.insert(classes.begin(), {CLSID_Log, factory});
    }
    std::vector<RegisteredClass> registered;
    for (auto& [clsid, factory] : classes) {
        RegisteredClass entry{factory, 0};
        if (SUCCEEDED(CoRegisterClassObject(clsid, factory.Get(), CLSCTX_LOCAL_SERVER,
                                            REGCLS_MULTIPLEUSE, &entry.cookie))) {
            registered.push_back(entry);
        }
    }

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);

    for (RegisteredClass& entry : registered) CoRevokeClassObject(entry.cookie);
    Sleep(1000);
    serviceLock().close();  // the proxy-mode thread calls in no more
    stopProxyKeeping();
    service.save();
    if (activeCookie) RevokeActiveObject(activeCookie, nullptr);
    process.tray->icon().removeIcon();  // no icon left behind in the notification area
    process.tray.reset();
    if (sessionWindow) DestroyWindow(sessionWindow);
    process.monitor.stop();
    return 0;
}

}  // namespace tb
