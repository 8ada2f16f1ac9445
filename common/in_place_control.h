// An ActiveX control active in place in one host window, with the least
// container it needs: client site, in-place site and frame, all answering
// for that window.
#pragma once

#include <windows.h>
#include <oleidl.h>
#include <wrl/client.h>

namespace tb {

class InPlaceControl {
  public:
    InPlaceControl() = default;
    ~InPlaceControl() { close(); }
    InPlaceControl(const InPlaceControl&) = delete;
    InPlaceControl& operator=(const InPlaceControl&) = delete;

    // Creates the control of that class, initialised new and active in
    // place in `host`; S_OK or the failure (and nothing kept).
    HRESULT create(REFCLSID clsid, HWND host);
    // The control fills a host window of that size.
    void resize(int width, int height);
    // Deactivates and lets go of the control.
    void close();

    IOleObject* object() const { return object_.Get(); }

  private:
    Microsoft::WRL::ComPtr<IOleObject> object_;
    Microsoft::WRL::ComPtr<IOleClientSite> site_;
};

}  // namespace tb
