// The helper object that the browser creates in each of its windows: it
// sits on the window's browser object and hears its events through the
// event interface's type information.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include "browser_helper/browser_link.h"
#include "browser_helper/helper_core.h"
#include "browser_helper/message_boxes.h"
#include "browser_helper/service_link.h"
#include "browser_helper/tbhelp.h"
#include "common/com_object.h"
#include "common/dispatch.h"

namespace tb::helper {

class TamberlyHelper : public ComObject<TamberlyHelper, IObjectWithSite,
                                        Dispatch<ITBHELPExplorerEvents2, &LIBID_tbhelpLib>> {
  public:
    TamberlyHelper();

    void* queryAlias(REFIID riid);

    // IObjectWithSite
    STDMETHODIMP SetSite(IUnknown* site) override;
    STDMETHODIMP GetSite(REFIID riid, void** ppv) override;

    // ITBHELPExplorerEvents2
    STDMETHODIMP StatusTextChange(BSTR Text) override;
    STDMETHODIMP ProgressChange(LONG Progress, LONG ProgressMax) override;
    STDMETHODIMP CommandStateChange(LONG Command, VARIANT_BOOL Enable) override;
    STDMETHODIMP DownloadBegin() override;
    STDMETHODIMP DownloadComplete() override;
    STDMETHODIMP TitleChange(BSTR Text) override;
    STDMETHODIMP PropertyChange(BSTR szProperty) override;
    STDMETHODIMP BeforeNavigate2(IDispatch* pDisp, VARIANT* URL, VARIANT* Flags,
                                 VARIANT* TargetFrameName, VARIANT* PostData, VARIANT* Headers,
                                 VARIANT_BOOL* Cancel) override;
    STDMETHODIMP NewWindow2(IDispatch** ppDisp, VARIANT_BOOL* Cancel) override;
    STDMETHODIMP NavigateComplete2(IDispatch* pDisp, VARIANT* URL) override;
    STDMETHODIMP DocumentComplete(IDispatch* pDisp, VARIANT* URL) override;
    STDMETHODIMP OnQuit() override;
    STDMETHODIMP OnVisible(VARIANT_BOOL Visible) override;
    STDMETHODIMP OnToolBar(VARIANT_BOOL ToolBar) override;
    STDMETHODIMP OnMenuBar(VARIANT_BOOL MenuBar) override;
    STDMETHODIMP OnStatusBar(VARIANT_BOOL StatusBar) override;
    STDMETHODIMP OnFullScreen(VARIANT_BOOL FullScreen) override;
    STDMETHODIMP OnTheaterMode(VARIANT_BOOL TheaterMode) override;

  private:
    // Runs an event with the object kept alive (the event may close the
    // window, whose browser then lets go of the helper) and no exception
    // leaving it.
    template <class Body>
    HRESULT event(Body&& body);

    ServiceLink service_;
    BrowserLink browser_;
    MessageBoxes dialogs_;
    HelperCore core_;
    DWORD cookie_ = 0;
};

}  // namespace tb::helper
