// tbreglib.dll: the two exports the service calls to undo proxy mode.
#include <windows.h>
#include <wininet.h>

#include "common/registry_win32.h"
#include "tools/tbreglib/proxy_restore.h"

namespace {

// Running browsers read their proxy settings again.
void announceNewSettings() {
    InternetSetOptionA(nullptr, INTERNET_OPTION_SETTINGS_CHANGED, nullptr, 0);
    InternetSetOptionA(nullptr, INTERNET_OPTION_REFRESH, nullptr, 0);
}

}  // namespace

extern "C" BOOL WINAPI RestoreAllIEProxy() {
    tb::Win32Registry registry;
    const bool restored = tb::reglib::restoreInternetExplorerProxy(registry);
    if (restored) announceNewSettings();
    return restored ? TRUE : FALSE;
}

extern "C" BOOL WINAPI RestoreAllNSProxy() {
    tb::Win32Registry registry;
    return tb::reglib::restoreNetscapeProxy(registry) ? TRUE : FALSE;
}
