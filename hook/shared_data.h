// The state that every process loading the hook library shares. It lives in
// the library's shared data section, so its layout is fixed: 18 bytes,
// handles as 32-bit values (which is how Windows shares window and hook
// handles between 32- and 64-bit processes).
#pragma once

#include <cstddef>
#include <cstdint>

namespace tb::hook {

#pragma pack(push, 1)
struct SharedData {
    uint32_t hook;                 // installed hook, 0 when none
    uint32_t instance;             // the library's instance handle in the last process to load it
    uint32_t owner;                // window given to THInitialize
    uint32_t foundBrowserMessage;  // id of the registered message "THFoundBrowser"
    uint8_t warned;                // a warning is out and no kill conversation has connected since
    uint8_t filterOn;              // set by THFilterOn
};
#pragma pack(pop)

static_assert(sizeof(SharedData) == 18, "the shared section holds exactly 18 bytes");
static_assert(offsetof(SharedData, foundBrowserMessage) == 12);
static_assert(offsetof(SharedData, warned) == 16 && offsetof(SharedData, filterOn) == 17);

constexpr char kSharedSectionName[] = ".TBHookD";

}  // namespace tb::hook
