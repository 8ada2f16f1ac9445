// The values that every helper object of one browser process shares:
// filterOff, lastCheckedUrl/lastCheckedLength and the warned band flags.
//
// Browser windows may run on different threads of the process. Each public
// member is one short critical section under a single mutex, so a reader
// never sees half an update (a URL from one window with the length of
// another), and a band is warned once even when two windows ask at the same
// moment. The lock is never held across a call out of the helper (service,
// browser, message box): those calls pump messages and may re-enter the
// helper on the same thread.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "browser_helper/content_text.h"
#include "browser_helper/time_warning.h"

namespace tb::helper {

class SharedState {
  public:
    bool filterOff() const;
    void setFilterOff(bool off);

    void newDownload();
    bool admitContent(const std::string& documentUrl, size_t length);

    std::optional<TimedMessage> timeLeftWarning(int32_t secondsLeft);

    // Copies, for tests and diagnostics.
    ContentMark contentMark() const;
    WarningBands warningBands() const;

  private:
    mutable std::mutex lock_;
    int16_t filterOff_ = 0;
    ContentMark content_;
    WarningBands bands_;
};

// The one set of this process.
SharedState& processState();

}  // namespace tb::helper
