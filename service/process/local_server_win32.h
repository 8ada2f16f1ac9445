// tbserv as a local automation server: registration, the singleton class
// factory, the resident run with its message loop and orderly end, and the
// process-wide state that the tray, uninstall and the proxy thread share.
#pragma once

#include <windows.h>
#include <unknwn.h>
#include <wrl/client.h>

#include <cstdint>
#include <functional>
#include <memory>

#include "common/com_object.h"
#include "service/process/keep_alive_monitor.h"
#include "service/process/service_object_win32.h"
#include "service/process/tray_win32.h"

namespace tb {

// Hands every client the one object it was made with: one Log for the
// browser helper in every window, the Manager and the tray alike.
class SingletonClassFactory : public ComObject<SingletonClassFactory, IClassFactory> {
  public:
    SingletonClassFactory(IUnknown* object, KeepAliveMonitor* monitor);
    ~SingletonClassFactory() override;

    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override;
    STDMETHODIMP LockServer(BOOL lock) override;

  private:
    IUnknown* object_;
    KeepAliveMonitor* monitor_;
    long serverLocks_ = 0;
};

// Process-wide state of the service.
struct ServiceProcess {
    HMODULE module = nullptr;
    DWORD mainThreadId = 0;
    uint32_t usingProxy = 0;  // read when the command line is examined
    KeepAliveMonitor monitor;
    // The restart of uninstall step one; empty: Windows restarts. Tests
    // replace it (under Wine the restart ends the prefix's whole session).
    std::function<void()> restart;
    // The notification-area icon; made before the object's load() runs.
    std::unique_ptr<tray::TrayHost> tray;
};
ServiceProcess& serviceProcess();

// toggleFilter's icon step: the icon for the filter switch, changed in
// place or set up (nothing before the resident run has begun).
void showFilterState(bool filterOn);

// usingProxy under the product key; 0 when missing.
uint32_t readUsingProxy();

// /RegServer: script 100, the object map (script 101) and the type library;
// then, in proxy mode, the user's proxy settings are saved.
HRESULT registerServer(HMODULE module, uint32_t usingProxy);
// /UnregServer: the same removed; in proxy mode (1 or 3) tbreglib puts the
// user's proxy settings back.
HRESULT unregisterServer(HMODULE module, uint32_t usingProxy);
// Only the registrations, as uninstall step one removes them.
HRESULT unregisterRegistrations(HMODULE module);

// Uninstall step one with this process's usingProxy and restart.
void runUninstallStepOne();
// The end that uninstall step two asks for: the monitor stops and WM_QUIT
// goes to the main thread.
void endService();

// The resident service: puts the object in the running object table, makes
// the tray, loads the object, registers the classes, runs the message loop
// until WM_QUIT, then revokes them, waits a second, closes the service lock
// (the proxy-mode thread calls in no more), saves and revokes the object.
// Returns the exit code (0).
int runResidentService(ServiceObject& service);

}  // namespace tb
