#include "service/settings/list_key_check.h"

#include "service/settings/product_key.h"

namespace tb::settings {

uint32_t listKeyFingerprint(std::string_view key) {
    uint32_t hash = 2166136261u;
    for (unsigned char c : key) hash = (hash ^ c) * 16777619u;
    return hash;
}

ListKeyCheck checkListKey(Registry& registry, std::string_view key) {
    const uint32_t fingerprint = listKeyFingerprint(key);
    if (const auto stored =
            registry.readDword(RegRoot::LocalMachine, kProductKey, kListKeyCheckValue))
        return *stored == fingerprint ? ListKeyCheck::Fits : ListKeyCheck::Mismatch;
    if (registry.keyExists(RegRoot::LocalMachine, kProductKey))
        registry.writeDword(RegRoot::LocalMachine, kProductKey, kListKeyCheckValue, fingerprint);
    return ListKeyCheck::Stored;
}

}  // namespace tb::settings
