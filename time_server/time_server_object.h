// The automation object TimeServer: ITimeServer (dual). It holds the clock
// and, per Start, a ticker thread and a synchronisation thread. The threads
// share the clock with the object through a reference of their own, so the
// object may be released while they run; they end at their next wake-up
// after the last release.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <memory>

#include "common/com_object.h"
#include "common/dispatch.h"
#include "time_server/daytime_server.h"
#include "time_server/network_clock.h"
#include "time_server/tbtime.h"

namespace tb {

enum class SyncOutcome { NotConnected, Failed, Synchronised };

// What a TimeServer runs with. standard() is the product's; tests replace
// the computer's clock, the connection state and the server, and shorten
// the intervals.
struct TimeServerSetup {
    std::shared_ptr<ComputerClock> computer;
    std::shared_ptr<ZoneChoice> zone;  // the process-wide choice in the product
    std::function<bool()> internetConnected;
    std::function<DaytimeServer()> server;  // asked at each Start
    DWORD tickMilliseconds = 5000;
    DWORD syncMilliseconds = 300000;
    DWORD receiveTimeoutMilliseconds = 30000;
    // Called by a synchronisation thread after each try.
    std::function<void(SyncOutcome)> afterSync;

    static TimeServerSetup standard();
};

struct TimeServerState;

class TimeServerObject
    : public ComObject<TimeServerObject, Dispatch<ITimeServer, &LIBID_TBTIMELib>> {
  public:
    TimeServerObject();
    explicit TimeServerObject(TimeServerSetup setup);
    ~TimeServerObject() override;

    void* queryAlias(REFIID riid);

    STDMETHODIMP GetTime(VARIANT* abHours, LONG* lTime) override;
    STDMETHODIMP Start() override;
    STDMETHODIMP SetTimezoneOffset(float fTZOffset) override;

  private:
    std::shared_ptr<TimeServerState> state_;
};

}  // namespace tb
