// Explorer bars of a host window. ShowBrowserBar is always recorded; with
// bands switched on, the band object is created by its CLSID, sited on a
// band site (IOleWindow for the window, IInputObjectSite, IServiceProvider
// leading to the window's IWebBrowser2) and shown or hidden through
// IDockingWindow::ShowDW.
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "common/com_object.h"

namespace tb::host {

class BandSite : public ComObject<BandSite, IOleWindow, IInputObjectSite, IServiceProvider> {
  public:
    BandSite(HWND window, IServiceProvider* browser) : window_(window), browser_(browser) {}

    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP OnFocusChangeIS(IUnknown*, BOOL) override { return S_OK; }
    STDMETHODIMP QueryService(REFGUID service, REFIID riid, void** ppv) override;

    void forget() { browser_.Reset(); }

  private:
    HWND window_;
    Microsoft::WRL::ComPtr<IServiceProvider> browser_;
};

class BarHost {
  public:
    void enable(bool on) { enabled_ = on; }
    // Shows or hides the band of that CLSID in the window; S_OK when bands
    // are off (the call is recorded by the browser object).
    HRESULT show(const std::wstring& clsid, bool visible, HWND window, IServiceProvider* browser);
    void closeAll();

  private:
    struct Band {
        CLSID clsid;
        Microsoft::WRL::ComPtr<IDockingWindow> docking;
        Microsoft::WRL::ComPtr<IObjectWithSite> sited;
        Microsoft::WRL::ComPtr<BandSite> site;
    };
    bool enabled_ = false;
    std::vector<Band> bands_;
};

}  // namespace tb::host
