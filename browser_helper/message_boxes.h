// The timed-access messages, shown in message boxes from the module's
// string table.
#pragma once

#include "browser_helper/seams.h"

namespace tb::helper {

// The caption of every timed-access message box.
inline constexpr wchar_t kTimedAccessCaption[] = L"Tamberly Timed Access";

class MessageBoxes : public Dialogs {
  public:
    void show(const TimedMessage& message) override;
};

}  // namespace tb::helper
