// updateTime: when the parent last answered the list-update reminder, in
// seconds since 1970, kept in the product key's DWORD value "updateTime".
#pragma once

#include <cstdint>
#include <optional>

#include "common/registry.h"
#include "service/settings/clock.h"

namespace tb::settings {

// The stored value; a missing value becomes now and is written at once, a
// value below 1 becomes now. Nothing is written when the product key does
// not exist (it is the installer's to create).
int32_t loadUpdateTime(Registry& registry, const Clock& clock);

// Writes the value back; false when the product key does not exist or the
// write fails.
bool storeUpdateTime(Registry& registry, int32_t updateTime);

// The installation mode "usingProxy": 0 normal, 1 proxy mode, 2 and 3
// uninstall pending. `keyExists` tells a missing product key (a value of 0
// is assumed) from a key without the value.
struct InstallMode {
    bool keyExists = false;
    std::optional<uint32_t> usingProxy;
    uint32_t valueOrZero() const { return usingProxy.value_or(0); }
};
InstallMode readInstallMode(Registry& registry);

}  // namespace tb::settings
