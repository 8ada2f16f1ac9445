// The web browser control that a band creates for its own pages, as the
// host gives it: registered in each window thread under the control's
// class, so a band's CoCreateInstance of the control finds this one. It is
// an in-place object (IOleObject, IOleInPlaceObject) with a window of its
// own inside the band, an IWebBrowser2 whose navigations the BarNavigator
// runs, and the connection point for DWebBrowserEvents2, raising its
// events with itself or a frame's browser object as pDisp.
//
// What the band asks of it is reported as
//   barview <window> call=Navigate|Stop|Refresh [url=...] [headers=...] [frame=<n>]
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <ocidl.h>
#include <oleidl.h>
#include <wrl/client.h>

#include <map>
#include <string>
#include <vector>

#include "common/com_object.h"
#include "tools/browser_host/bar_navigator.h"
#include "tools/browser_host/com_stubs.h"
#include "tools/browser_host/web_browser.h"

namespace tb::host {

class BarControl;

// The browser object of one frame of the bar's page.
class BarFrame : public ComObject<BarFrame, IWebBrowser2Stubs> {
  public:
    BarFrame(BarControl* control, uint32_t id) : control_(control), id_(id) {}
    void* queryAlias(REFIID riid);
    void detach() { control_ = nullptr; }
    IDispatch* dispatch() { return static_cast<IWebBrowser2*>(this); }

    STDMETHODIMP Navigate(BSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                          VARIANT* Headers) override;
    STDMETHODIMP Refresh() override;
    STDMETHODIMP Refresh2(VARIANT* Level) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP get_LocationURL(BSTR* LocationURL) override;
    STDMETHODIMP get_TopLevelContainer(VARIANT_BOOL* pBool) override;

  private:
    BarControl* control_;
    uint32_t id_;
    std::string last_;  // the address it showed when its page went
    friend class BarControl;
};

class BarControl : public ComObject<BarControl, IWebBrowser2Stubs, IOleObjectStubs,
                                    IOleInPlaceObjectStubs, IConnectionPointContainer>,
                   private BarEvents {
  public:
    BarControl(std::string window, const PageSource& pages, Output& out, bool trace);
    ~BarControl() override;
    void* queryAlias(REFIID riid);
    IDispatch* dispatch() { return static_cast<IWebBrowser2*>(this); }

    // The user follows a link in the bar's page, or in its frame `frame`.
    bool followLink(const std::string& url, uint32_t frame);
    // Loads what the band or the user asked for (the browser's message loop).
    void settle();
    void reportState();
    // The band let go of the control: no more events.
    void detach();

    // IWebBrowser
    STDMETHODIMP Navigate(BSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                          VARIANT* Headers) override;
    STDMETHODIMP Refresh() override;
    STDMETHODIMP Refresh2(VARIANT* Level) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP get_LocationURL(BSTR* LocationURL) override;
    STDMETHODIMP get_Busy(VARIANT_BOOL* pBool) override;
    STDMETHODIMP get_TopLevelContainer(VARIANT_BOOL* pBool) override;
    STDMETHODIMP get_HWND(SHANDLE_PTR* pHWND) override;
    // IWebBrowser2
    STDMETHODIMP Navigate2(VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName,
                           VARIANT* PostData, VARIANT* Headers) override;
    STDMETHODIMP get_ReadyState(READYSTATE* plReadyState) override;

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* pClientSite) override;
    STDMETHODIMP GetClientSite(IOleClientSite** ppClientSite) override;
    STDMETHODIMP SetHostNames(LPCOLESTR szContainerApp, LPCOLESTR szContainerObj) override;
    STDMETHODIMP Close(DWORD dwSaveOption) override;
    STDMETHODIMP DoVerb(LONG iVerb, LPMSG lpmsg, IOleClientSite* pActiveSite, LONG lindex,
                        HWND hwndParent, LPCRECT lprcPosRect) override;

    // IOleWindow, IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND* phwnd) override;
    STDMETHODIMP InPlaceDeactivate() override;
    STDMETHODIMP UIDeactivate() override;
    STDMETHODIMP SetObjectRects(LPCRECT lprcPosRect, LPCRECT lprcClipRect) override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override;
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** out) override;

  private:
    friend class BarFrame;

    // BarEvents
    WindowEvents::Verdict beforeNavigate2(uint32_t frame, const std::string& url) override;
    void navigateComplete2(uint32_t frame, const std::string& url) override;
    void documentComplete(uint32_t frame, const std::string& url) override;

    void record(const std::string& call,
                std::vector<std::pair<std::string, std::string>> fields = {});
    HRESULT navigateTo(const std::wstring& url, VARIANT* headers, uint32_t frame);
    // The browser object that raises an event: the control or a frame.
    IDispatch* source(uint32_t frame);
    HRESULT raise(DISPID id, const char* event, VARIANTARG* args, UINT count,
                  const std::string& url);

    std::string window_;
    Output& out_;
    bool trace_;
    BarNavigator navigator_;
    Microsoft::WRL::ComPtr<EventConnection> events_;
    Microsoft::WRL::ComPtr<IOleClientSite> site_;
    std::map<uint32_t, Microsoft::WRL::ComPtr<BarFrame>> frames_;
    HWND view_ = nullptr;
    bool detached_ = false;
};

// Registers the control's class object on the calling thread, once.
HRESULT registerBarControlClass();

// While a band of a window is created, the controls it makes belong to
// that window: they are named for it and collected here.
struct BarControlContext {
    std::string window;
    const PageSource* pages = nullptr;
    Output* out = nullptr;
    bool trace = false;
    std::vector<Microsoft::WRL::ComPtr<BarControl>>* made = nullptr;
};

class ScopedBarControlContext {
  public:
    explicit ScopedBarControlContext(BarControlContext* context);
    ~ScopedBarControlContext();
    ScopedBarControlContext(const ScopedBarControlContext&) = delete;
    ScopedBarControlContext& operator=(const ScopedBarControlContext&) = delete;

  private:
    BarControlContext* previous_;
};

}  // namespace tb::host
