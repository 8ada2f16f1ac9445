// Proxy mode: the browser's proxy settings are kept pointed at the local
// filtering proxy at localhost:8080. At registration the user's own settings
// are saved under the product key (tbreglib puts them back on removal); a
// keeping thread re-applies ours every 5 seconds, and also saves the
// service's data every 125 seconds and asks for due list updates.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/registry.h"

namespace tb::proxy {

inline constexpr char kProductKey[] = "Software\\Quillmoor\\TamberlyIE";
inline constexpr char kProductConnections[] = "Software\\Quillmoor\\TamberlyIE\\Connections";
inline constexpr char kInternetSettings[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
inline constexpr char kConnections[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Connections";
inline constexpr char kProxyServer[] = "http=localhost:8080";
inline constexpr int kRoundSeconds = 5;
inline constexpr int kSaveAfterSeconds = 120;  // Save when the counter passes this: every 125 s

// The connection values that proxy mode neither saves nor overwrites.
bool isKeptConnection(const std::string& valueName);

// The 71-byte connection blob: direct connection and proxy, the proxy text.
std::vector<uint8_t> proxyBlob();

// At registration in proxy mode: usingProxy = 1; the user's ProxyServer,
// ProxyEnable and ProxyOverride as OldProxyServer, OldProxyEnable and
// OldProxyOverride, and copies of the connection values under the product
// key, unless they already point at our proxy (a second registration does
// not save our own settings as the user's). False when a key cannot be
// opened.
bool saveUserProxySettings(Registry& registry);

// Steps of one round that touch the registry: ProxyEnable, ProxyServer,
// ProxyOverride, and the blob for every connection value but the kept ones.
void applyProxySettings(Registry& registry);

struct ProxyCallbacks {
    std::function<void()> save;        // the Log object's Save
    std::function<void()> needUpdate;  // the Log object's needUpdate
};

// One round of the keeping thread, without its sleep. The counter goes up
// by 5 per round; past 120 it restarts and Save runs.
class ProxyRound {
  public:
    void run(Registry& registry, const ProxyCallbacks& callbacks);
    int counter() const { return counter_; }

  private:
    int counter_ = 0;
};

}  // namespace tb::proxy
