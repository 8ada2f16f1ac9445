// One question to a daytime server over Windows Sockets: connect to the
// server's port, receive once, parse. The caller has started Windows
// Sockets.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>
#include <optional>

#include "time_server/daytime_server.h"

namespace tb {

// Seconds since 1970 (UTC) that the server answered, or nullopt when the
// name does not resolve, the connection fails, nothing arrives within the
// receive time-out, or the answer is not a whole, valid time.
std::optional<int64_t> daytimeQuery(const DaytimeServer& server, DWORD receiveTimeoutMilliseconds);

}  // namespace tb
