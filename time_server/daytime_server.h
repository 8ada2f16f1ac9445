// Which daytime server the clock asks. The default is a public server of a
// national standards laboratory; a parent (and the tests) may point the
// component at another host and port with two values under the product key,
// read at each Start:
//   HKLM\Software\Quillmoor\TamberlyIE  TimeServerHost (string)
//                                       TimeServerPort (DWORD, 1-65535)
#pragma once

#include <cstdint>
#include <string>

#include "common/registry.h"

namespace tb {

inline constexpr char kDefaultTimeServerHost[] = "time.nist.gov";
inline constexpr uint16_t kDaytimePort = 13;

inline constexpr char kProductKey[] = "Software\\Quillmoor\\TamberlyIE";
inline constexpr char kTimeServerHostValue[] = "TimeServerHost";
inline constexpr char kTimeServerPortValue[] = "TimeServerPort";

struct DaytimeServer {
    std::string host = kDefaultTimeServerHost;
    uint16_t port = kDaytimePort;
    // The host was set by the parent. Such a server may sit on the local
    // network, so it is asked whatever the computer's Internet connection
    // state says.
    bool configured = false;
};

// The server named by the two values; a missing or empty host and a missing
// port or one outside 1-65535 keep the defaults.
DaytimeServer readDaytimeServer(Registry& registry);

}  // namespace tb
