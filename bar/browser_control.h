// The web browser control hosted in the band window.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <wrl/client.h>

#include <string>

#include "common/in_place_control.h"

namespace tb::bar {

class BrowserControl {
  public:
    // Creates the control in place in `host` and opens `address` in it;
    // the control's IWebBrowser2, or the failure.
    HRESULT create(HWND host, const std::string& address,
                   Microsoft::WRL::ComPtr<IWebBrowser2>& browser);
    // The host window has a new size: the control fills it.
    void resize(int width, int height) { control_.resize(width, height); }
    // Deactivates and lets go of the control.
    void close() { control_.close(); }

  private:
    InPlaceControl control_;
};

}  // namespace tb::bar
