#include "tools/tbreglib/proxy_restore.h"

#include "service/timed/proxy_mode.h"

namespace tb::reglib {

using namespace tb::proxy;

bool restoreInternetExplorerProxy(Registry& registry) {
    const std::optional<std::string> server =
        registry.readString(RegRoot::LocalMachine, kProductKey, "OldProxyServer");
    if (!server) return false;
    if (!registry.createKey(RegRoot::CurrentUser, kInternetSettings)) return false;

    if (server->empty()) {
        registry.deleteValue(RegRoot::CurrentUser, kInternetSettings, "ProxyServer");
    } else {
        registry.writeString(RegRoot::CurrentUser, kInternetSettings, "ProxyServer", *server);
    }
    registry.writeDword(
        RegRoot::CurrentUser, kInternetSettings, "ProxyEnable",
        registry.readDword(RegRoot::LocalMachine, kProductKey, "OldProxyEnable").value_or(0));
    if (auto bypass = registry.readString(RegRoot::LocalMachine, kProductKey, "OldProxyOverride")) {
        registry.writeString(RegRoot::CurrentUser, kInternetSettings, "ProxyOverride", *bypass);
    } else {
        registry.deleteValue(RegRoot::CurrentUser, kInternetSettings, "ProxyOverride");
    }

    const std::vector<std::string> saved =
        registry.valueNames(RegRoot::LocalMachine, kProductConnections);
    if (!saved.empty() && registry.createKey(RegRoot::CurrentUser, kConnections)) {
        for (const std::string& name : saved) {
            if (auto data = registry.readBinary(RegRoot::LocalMachine, kProductConnections, name)) {
                registry.writeBinary(RegRoot::CurrentUser, kConnections, name, *data);
            }
        }
    }
    return true;
}

bool restoreNetscapeProxy(Registry&) {
    return true;
}

}  // namespace tb::reglib
