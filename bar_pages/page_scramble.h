// The one per-byte transform of the bar page table. The library keeps each
// address as bytes that revealByte turns back into its characters; the
// build's scrambler writes them with hideByte.
#pragma once

#include <cstdint>

namespace tb::pages {

inline constexpr uint8_t kScrambleMask = 0x5C;

constexpr uint8_t hideByte(uint8_t c) {
    const uint8_t x = static_cast<uint8_t>(c ^ kScrambleMask);
    return static_cast<uint8_t>((x << 3) | (x >> 5));
}

constexpr uint8_t revealByte(uint8_t b) {
    const uint8_t x = static_cast<uint8_t>((b >> 3) | (b << 5));
    return static_cast<uint8_t>(x ^ kScrambleMask);
}

}  // namespace tb::pages
