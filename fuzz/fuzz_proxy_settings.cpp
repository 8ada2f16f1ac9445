// Proxy mode on arbitrary settings of the user's: the connection blobs and
// the proxy texts found in the registry (the input split at NULs) are
// saved and overwritten without a crash, and every connection value but
// the kept ones ends as the product's own blob.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/tests/memory_registry.h"
#include "service/timed/proxy_mode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tb::proxy;
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        const size_t end = input.find('\0', start);
        parts.push_back(input.substr(start, end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    tb::testing::MemoryRegistry registry;
    const auto HKCU = tb::RegRoot::CurrentUser;
    registry.createKey(HKCU, kInternetSettings);
    registry.createKey(HKCU, kConnections);
    registry.writeString(HKCU, kInternetSettings, "ProxyServer", parts[0]);
    if (parts.size() > 1) registry.writeString(HKCU, kInternetSettings, "ProxyOverride", parts[1]);
    for (size_t i = 2; i < parts.size(); ++i) {
        registry.writeBinary(HKCU, kConnections,
                             i % 2 ? "DefaultConnectionSettings" : "Dial " + std::to_string(i),
                             std::vector<uint8_t>(parts[i].begin(), parts[i].end()));
    }
    saveUserProxySettings(registry);
    saveUserProxySettings(registry);
    applyProxySettings(registry);
    for (const std::string& name : registry.valueNames(HKCU, kConnections)) {
        if (!isKeptConnection(name) && registry.readBinary(HKCU, kConnections, name) != proxyBlob())
            __builtin_trap();
    }
    return 0;
}
