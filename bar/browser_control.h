// The web browser control hosted in the band window, with the least
// container it needs: client site, in-place site and frame, all answering
// for the one host window.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <oleidl.h>
#include <wrl/client.h>

#include <string>

namespace tb::bar {

class BrowserControl {
  public:
    BrowserControl() = default;
    ~BrowserControl() { close(); }
    BrowserControl(const BrowserControl&) = delete;
    BrowserControl& operator=(const BrowserControl&) = delete;

    // Creates the control in place in `host` and opens `address` in it;
    // the control's IWebBrowser2, or the failure.
    HRESULT create(HWND host, const std::string& address,
                   Microsoft::WRL::ComPtr<IWebBrowser2>& browser);
    // The host window has a new size: the control fills it.
    void resize(int width, int height);
    // Deactivates and lets go of the control.
    void close();

  private:
    Microsoft::WRL::ComPtr<IOleObject> object_;
    Microsoft::WRL::ComPtr<IOleClientSite> site_;
};

}  // namespace tb::bar
