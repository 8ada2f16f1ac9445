// The list key comes from the first category word file at every load. A
// damaged file gives another key, under which the parent's lists, words and
// password read wrong and, once written back, are garbled for good. So a
// fingerprint of the key that wrote them is kept in the registry (the
// product key's ListKeyCheck) and the key of every load is checked
// against it; the first load of an installation stores it.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/registry.h"

namespace tb::settings {

inline constexpr char kListKeyCheckValue[] = "ListKeyCheck";

// FNV-1a of the key's bytes: the key is not kept, only what tells it apart.
uint32_t listKeyFingerprint(std::string_view key);

enum class ListKeyCheck {
    Fits,      // the key that wrote the parent's data
    Stored,    // none was stored: this key is from now on
    Mismatch,  // another key: nothing may be read or written with it
};
ListKeyCheck checkListKey(Registry& registry, std::string_view key);

}  // namespace tb::settings
