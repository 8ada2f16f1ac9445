// Message boxes that plug-ins raise in the host's windows are real; the
// host answers them as a user would: it finds them among the windows of the
// thread, reads caption and text, reports them and presses their button.
#pragma once

#include <windows.h>

#include <set>
#include <string>

#include "tools/browser_host/navigator.h"

namespace tb::host {

class BoxAnswerer {
  public:
    explicit BoxAnswerer(Output& out) : out_(out) {}
    // Reports and dismisses every message box of the thread, naming the
    // window on whose behalf the thread is busy.
    void answer(DWORD threadId, const std::string& window);

  private:
    Output& out_;
    std::set<HWND> pressed_;
};

}  // namespace tb::host
