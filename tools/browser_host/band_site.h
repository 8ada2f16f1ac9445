// Explorer bars of a host window. ShowBrowserBar is always recorded; with
// bands switched on, the band object is created by its CLSID, sited on a
// band site (IOleWindow for the window, IInputObjectSite, IServiceProvider
// leading to the window's IWebBrowser2) and shown or hidden through
// IDockingWindow::ShowDW. The web browser controls that a band makes for
// its own pages are the host's BarControl.
//
//   band <window> event=created clsid=... hr=<SetSite result>
//   band <window> event=shown|hidden|closed clsid=... hr=...
//   band <window> event=info min=WxH max=WxH integral=WxH actual=WxH modeflags=N
//        background=own|site              what GetBandInfo gave when the band was added
//   band <window> event=focus focus=0|1     the band told its site
//   bandstate <window> class=... child=0|1 visible=0|1 classstyle=0x... background=0x...
#pragma once

#include <windows.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "common/com_object.h"
#include "tools/browser_host/bar_control.h"
#include "tools/browser_host/navigator.h"

namespace tb::host {

class BandSite : public ComObject<BandSite, IOleWindow, IInputObjectSite, IServiceProvider> {
  public:
    BandSite(HWND window, IServiceProvider* browser, std::string name, Output* out)
        : window_(window), browser_(browser), name_(std::move(name)), out_(out) {}

    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP OnFocusChangeIS(IUnknown* object, BOOL focus) override;
    STDMETHODIMP QueryService(REFGUID service, REFIID riid, void** ppv) override;

    void forget() { browser_.Reset(); }

  private:
    HWND window_;
    Microsoft::WRL::ComPtr<IServiceProvider> browser_;
    std::string name_;
    Output* out_;
};

class BarHost {
  public:
    void enable(bool on) { enabled_ = on; }
    bool enabled() const { return enabled_; }
    // Where the bands report and what their controls show.
    void attach(const std::string& window, const PageSource& pages, Output& out, bool trace);
    // Shows or hides the band of that CLSID in the window; S_OK when bands
    // are off (the call is recorded by the browser object).
    HRESULT show(const std::wstring& clsid, bool visible, HWND window, IServiceProvider* browser);
    void closeAll();

    // The web browser control of the band made last, if any.
    BarControl* control();
    // The browser's message loop: pending loads of the bands' controls.
    void settle();
    // The user tabs into the band made last (IInputObject::UIActivateIO).
    HRESULT activate();
    // Reports the window of the band made last.
    bool reportState();

  private:
    struct Band {
        CLSID clsid;
        Microsoft::WRL::ComPtr<IDockingWindow> docking;
        Microsoft::WRL::ComPtr<IObjectWithSite> sited;
        Microsoft::WRL::ComPtr<BandSite> site;
    };
    void report(const char* event, const CLSID& clsid, HRESULT hr);
    void reportBandInfo(IUnknown* band);

    bool enabled_ = false;
    std::vector<Band> bands_;
    BarControlContext context_;
    std::vector<Microsoft::WRL::ComPtr<BarControl>> controls_;
};

}  // namespace tb::host
