// What a public daytime server (RFC 867) says, as the time component reads
// it: a line feed, the modified Julian day, YY-MM-DD hh:mm:ss in UTC and the
// server's status fields.
#pragma once

#include <cstdint>
#include <string>

namespace tb::host {

// The answer for a time in seconds since 1970 (UTC); the two-digit year
// covers 2000-2099.
std::string daytimeText(int64_t utcSeconds);

}  // namespace tb::host
