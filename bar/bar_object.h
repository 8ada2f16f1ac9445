// CTamberlyBar: the band object that the browser shows under its toolbars.
// It hosts a web browser control showing the bar page and hears the events
// of that control and of the main window's browser through its event
// interface's type information.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <ocidl.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include "bar/band_window.h"
#include "bar/bar_rules.h"
#include "bar/browser_control.h"
#include "bar/tbbar.h"
#include "common/com_object.h"
#include "common/browser_events.h"

namespace tb::bar {

// The page table and the counter that every bar of the process shares.
BarPages& processPages();
ProcessCounters& processCounters();

class TamberlyBar
    : public ComObject<TamberlyBar, IDeskBand, IInputObject, IObjectWithSite, IPersistStream,
                       IContextMenu, BrowserEvents<IExplorerEvents2, &LIBID_TBBARLib>>,
      private BandWindowOwner {
  public:
    TamberlyBar();
    ~TamberlyBar() override;

    void* queryAlias(REFIID riid);

    // IOleWindow, IDockingWindow, IDeskBand
    STDMETHODIMP GetWindow(HWND* window) override;
    STDMETHODIMP ContextSensitiveHelp(BOOL enterMode) override;
    STDMETHODIMP ShowDW(BOOL show) override;
    STDMETHODIMP CloseDW(DWORD reserved) override;
    STDMETHODIMP ResizeBorderDW(LPCRECT border, IUnknown* site, BOOL reserved) override;
    STDMETHODIMP GetBandInfo(DWORD bandId, DWORD viewMode, DESKBANDINFO* info) override;

    // IInputObject
    STDMETHODIMP UIActivateIO(BOOL activate, MSG* message) override;
    STDMETHODIMP HasFocusIO() override;
    STDMETHODIMP TranslateAcceleratorIO(MSG* message) override;

    // IObjectWithSite
    STDMETHODIMP SetSite(IUnknown* site) override;
    STDMETHODIMP GetSite(REFIID riid, void** ppv) override;

    // IPersist, IPersistStream
    STDMETHODIMP GetClassID(CLSID* clsid) override;
    STDMETHODIMP IsDirty() override;
    STDMETHODIMP Load(IStream* stream) override;
    STDMETHODIMP Save(IStream* stream, BOOL clearDirty) override;
    STDMETHODIMP GetSizeMax(ULARGE_INTEGER* size) override;

    // IContextMenu
    STDMETHODIMP QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT lastId,
                                  UINT flags) override;
    STDMETHODIMP InvokeCommand(CMINVOKECOMMANDINFO* info) override;
    STDMETHODIMP GetCommandString(UINT_PTR id, UINT type, UINT* reserved, LPSTR name,
                                  UINT max) override;

    // IExplorerEvents2
    STDMETHODIMP BeforeNavigate2(IDispatch* pDisp, VARIANT* URL, VARIANT* Flags,
                                 VARIANT* TargetFrameName, VARIANT* PostData, VARIANT* Headers,
                                 VARIANT_BOOL* Cancel) override;
    STDMETHODIMP NavigateComplete2(IDispatch* pDisp, VARIANT* URL) override;
    STDMETHODIMP DocumentComplete(IDispatch* pDisp, VARIANT* URL) override;

  private:
    // BandWindowOwner
    void windowCreated(HWND window) override;
    void focusLost() override;
    void windowResized(int width, int height) override;
    void windowDestroyed() override;

    bool createBandWindow();
    HRESULT connect(IWebBrowser2* browser, DWORD& cookie,
                    Microsoft::WRL::ComPtr<IConnectionPoint>* keep);
    bool isWindowTop(IDispatch* pDisp) const;
    void reloadBar();
    // Runs an event with the object kept alive and no exception leaving it.
    template <class Body>
    HRESULT event(Body&& body);

    LONG focus_ = 0;
    HWND siteWindow_ = nullptr;
    HWND bandWindow_ = nullptr;
    Microsoft::WRL::ComPtr<IInputObjectSite> inputSite_;
    Microsoft::WRL::ComPtr<IWebBrowser2> windowBrowser_;
    HWND controlHost_ = nullptr;
    Microsoft::WRL::ComPtr<IWebBrowser2> barBrowser_;
    Microsoft::WRL::ComPtr<IWebBrowser2> adBrowser_;
    BarRules rules_;
    DWORD windowCookie_ = 0;
    DWORD barCookie_ = 0;

    Microsoft::WRL::ComPtr<IConnectionPoint> barEvents_;  // the connection of barCookie_
    BrowserControl control_;
    HWND subclassedSite_ = nullptr;
};

}  // namespace tb::bar
