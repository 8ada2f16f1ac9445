// tbreglib: puts back the browser proxy settings that proxy mode saved when
// the service was registered. The service loads the library by name at
// unregistration and at the uninstall clean-up and calls its two exports.
//
// RestoreAllIEProxy: from the product key (Software\Quillmoor\TamberlyIE
// under HKLM) to the user's Internet Settings: OldProxyServer as
// ProxyServer (an empty one removes the value), OldProxyEnable as
// ProxyEnable, OldProxyOverride as ProxyOverride (removed when none was
// saved), and every value of the product key's Connections copy over the
// user's connection of the same name. The saved copies stay where they are:
// a later call (uninstall after an unregistration) restores again. Nothing
// happens when nothing was saved.
//
// RestoreAllNSProxy: proxy mode changes only Internet Explorer's settings,
// so there is nothing of the other browsers to put back; it succeeds.
#pragma once

#include "common/registry.h"

namespace tb::reglib {

// False when no saved settings were found.
bool restoreInternetExplorerProxy(Registry& registry);
bool restoreNetscapeProxy(Registry& registry);

}  // namespace tb::reglib
