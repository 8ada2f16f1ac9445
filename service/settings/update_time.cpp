#include "service/settings/update_time.h"

#include "service/settings/product_key.h"

namespace tb::settings {

int32_t loadUpdateTime(Registry& registry, const Clock& clock) {
    const int32_t now = static_cast<int32_t>(clock.now());
    const std::optional<uint32_t> stored =
        registry.readDword(RegRoot::LocalMachine, kProductKey, kUpdateTimeValue);
    if (!stored) {
        storeUpdateTime(registry, now);
        return now;
    }
    const int32_t value = static_cast<int32_t>(*stored);
    return value < 1 ? now : value;
}

bool storeUpdateTime(Registry& registry, int32_t updateTime) {
    if (!registry.keyExists(RegRoot::LocalMachine, kProductKey)) return false;
    return registry.writeDword(RegRoot::LocalMachine, kProductKey, kUpdateTimeValue,
                               static_cast<uint32_t>(updateTime));
}

InstallMode readInstallMode(Registry& registry) {
    InstallMode mode;
    mode.keyExists = registry.keyExists(RegRoot::LocalMachine, kProductKey);
    if (mode.keyExists)
        mode.usingProxy = registry.readDword(RegRoot::LocalMachine, kProductKey, kUsingProxyValue);
    return mode;
}

}  // namespace tb::settings
