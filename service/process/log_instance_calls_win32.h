// The tray's and dialogs' calls of the filter switch and time logging, made
// as any client makes them: on a Log instance created through COM (the
// class object of this very process answers). A Log that cannot be created
// raises ComCallError; E_NOINTERFACE is let through and fails at the call.
#pragma once

#include "service/process/service_calls.h"

namespace tb {

class LogInstanceCalls : public ServiceCalls {
  public:
    bool tbOn(const std::string& password) override;
    void startTimeLogging() override;
    void stopTimeLogging() override;
};

}  // namespace tb
