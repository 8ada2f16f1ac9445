// The computer's clock, zone and Internet connection state from the system.
#pragma once

#include "time_server/network_clock.h"

namespace tb {

class Win32ComputerClock : public ComputerClock {
  public:
    int64_t nowUtc() override;
    ComputerZone zone() override;
};

// InternetGetConnectedState's answer.
bool internetConnected();

}  // namespace tb
