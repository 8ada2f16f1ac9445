#include "service/timed/proxy_mode.h"

#include <cstring>

#include "common/ansi_text.h"

namespace tb::proxy {

bool isKeptConnection(const std::string& valueName) {
    const std::string name = lowered(valueName);
    return name == "defaultconnectionsettings" || name == "savedlegacysettings";
}

std::vector<uint8_t> proxyBlob() {
    std::vector<uint8_t> blob(71, 0);
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) blob[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    const size_t length = sizeof(kProxyServer) - 1;
    put(0, 0x3C);
    put(4, 1);
    put(8, 3);  // direct connection and proxy
    put(12, static_cast<uint32_t>(length));
    std::memcpy(blob.data() + 16, kProxyServer, length);
    return blob;
}

bool saveUserProxySettings(Registry& registry) {
    if (!registry.createKey(RegRoot::LocalMachine, kProductKey) ||
        !registry.createKey(RegRoot::CurrentUser, kInternetSettings)) {
        return false;
    }
    registry.writeDword(RegRoot::LocalMachine, kProductKey, "usingProxy", 1);

    // Registration runs in proxy mode only when usingProxy is already 1 (the
    // installer writes it first), so the old mode cannot tell whether these
    // are still the user's settings: settings that are already ours are not
    // saved over the user's.
    const std::optional<std::string> server =
        registry.readString(RegRoot::CurrentUser, kInternetSettings, "ProxyServer");
    const uint32_t enable =
        registry.readDword(RegRoot::CurrentUser, kInternetSettings, "ProxyEnable").value_or(0);
    if (!(server == std::string(kProxyServer) && enable == 1)) {
        registry.writeString(RegRoot::LocalMachine, kProductKey, "OldProxyServer",
                             server.value_or(""));
        registry.writeDword(RegRoot::LocalMachine, kProductKey, "OldProxyEnable", enable);
        // The keeping thread empties ProxyOverride, so the user's list is
        // saved too; tbreglib puts it back with the rest.
        if (auto bypass =
                registry.readString(RegRoot::CurrentUser, kInternetSettings, "ProxyOverride")) {
            registry.writeString(RegRoot::LocalMachine, kProductKey, "OldProxyOverride", *bypass);
        } else {
            registry.deleteValue(RegRoot::LocalMachine, kProductKey, "OldProxyOverride");
        }
    }

    if (!registry.keyExists(RegRoot::CurrentUser, kConnections) ||
        !registry.createKey(RegRoot::LocalMachine, kProductConnections)) {
        return true;
    }
    const std::vector<uint8_t> ours = proxyBlob();
    for (const std::string& name : registry.valueNames(RegRoot::CurrentUser, kConnections)) {
        if (isKeptConnection(name)) continue;
        auto data = registry.readBinary(RegRoot::CurrentUser, kConnections, name);
        if (data == ours) continue;  // already pointed at our proxy: the saved copy stays
        registry.writeBinary(RegRoot::LocalMachine, kProductConnections, name,
                             data.value_or(std::vector<uint8_t>{}));
    }
    return true;
}

void applyProxySettings(Registry& registry) {
    if (registry.createKey(RegRoot::CurrentUser, kInternetSettings)) {
        registry.writeDword(RegRoot::CurrentUser, kInternetSettings, "ProxyEnable", 1);
        registry.writeString(RegRoot::CurrentUser, kInternetSettings, "ProxyServer", kProxyServer);
        registry.writeString(RegRoot::CurrentUser, kInternetSettings, "ProxyOverride", "");
    }
    if (!registry.keyExists(RegRoot::CurrentUser, kConnections)) return;
    const std::vector<uint8_t> blob = proxyBlob();
    for (const std::string& name : registry.valueNames(RegRoot::CurrentUser, kConnections)) {
        if (!isKeptConnection(name))
            registry.writeBinary(RegRoot::CurrentUser, kConnections, name, blob);
    }
}

void ProxyRound::run(Registry& registry, const ProxyCallbacks& callbacks) {
    if (counter_ > kSaveAfterSeconds) {
        counter_ = 0;
        if (callbacks.save) callbacks.save();
    }
    if (callbacks.needUpdate) callbacks.needUpdate();
    applyProxySettings(registry);
    counter_ += kRoundSeconds;
}

}  // namespace tb::proxy
