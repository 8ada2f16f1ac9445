#include "time_server/computer_clock_win32.h"

#include <windows.h>
#include <wininet.h>

namespace tb {

int64_t Win32ComputerClock::nowUtc() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    constexpr uint64_t kTicksFrom1601To1970 = 116444736000000000ULL;
    return static_cast<int64_t>((ticks.QuadPart - kTicksFrom1601To1970) / 10000000ULL);
}

ComputerZone Win32ComputerClock::zone() {
    TIME_ZONE_INFORMATION info = {};
    const DWORD state = GetTimeZoneInformation(&info);
    LONG biasMinutes = info.Bias;  // UTC = local + bias
    if (state == TIME_ZONE_ID_DAYLIGHT) biasMinutes += info.DaylightBias;
    if (state == TIME_ZONE_ID_STANDARD) biasMinutes += info.StandardBias;
    if (state == TIME_ZONE_ID_INVALID) biasMinutes = 0;
    return {static_cast<int32_t>(-biasMinutes * 60), state == TIME_ZONE_ID_DAYLIGHT};
}

bool internetConnected() {
    DWORD flags = 0;
    return InternetGetConnectedState(&flags, 0) != FALSE;
}

}  // namespace tb
