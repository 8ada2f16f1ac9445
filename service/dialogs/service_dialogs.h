// The service's modal dialogs as the core sees them: show dialog N,
// optionally with texts for some of its controls, and learn which command
// closed it. Windows shows the dialogs of the service's resources without
// an owner (service_dialogs_win32.h); tests record what was shown.
#pragma once

#include <string>
#include <vector>

#include "service/dialogs/dialog_ids.h"

namespace tb::dialogs {

struct ControlText {
    int control;
    std::string text;  // system code page
};

class ServiceDialogs {
  public:
    virtual ~ServiceDialogs() = default;
    // Runs the dialog modally; returns the command that closed it, or -1
    // when it could not be shown.
    virtual int show(int dialog, const std::vector<ControlText>& texts = {}) = 0;
};

}  // namespace tb::dialogs
