// What the tray and the service's own dialogs need of the service: the
// filter switch and time logging through a Log instance (as any client
// would), the Log object's password entry and master code, the dialogs
// that the settings store shows, and the first step of uninstall.
#pragma once

#include <optional>
#include <string>

namespace tb {

class ServiceCalls {
  public:
    virtual ~ServiceCalls() = default;

    virtual bool tbOn(const std::string& password) = 0;  // the state after the call
    virtual void startTimeLogging() = 0;
    virtual void stopTimeLogging() = 0;

    virtual std::optional<std::string> passwordEntry() = 0;  // absent: no password set
    virtual bool isMasterCode(const std::string& typed) = 0;

    virtual void showAbout() = 0;              // dialog 213
    virtual void showIncorrectPassword() = 0;  // dialog 214
    virtual void uninstallStepOne() = 0;
};

}  // namespace tb
