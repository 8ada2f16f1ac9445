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
#include "common/browser_events.h"

namespace tb::helper {

class TamberlyHelper : public ComObject<TamberlyHelper, IObjectWithSite,
                                        BrowserEvents<ITBHELPExplorerEvents2, &LIBID_tbhelpLib>> {
  public:
    TamberlyHelper();

    void* queryAlias(REFIID riid);

    // IObjectWithSite
    STDMETHODIMP SetSite(IUnknown* site) override;
    STDMETHODIMP GetSite(REFIID riid, void** ppv) override;

    // ITBHELPExplorerEvents2
    STDMETHODIMP ProgressChange(LONG Progress, LONG ProgressMax) override;
    STDMETHODIMP BeforeNavigate2(IDispatch* pDisp, VARIANT* URL, VARIANT* Flags,
                                 VARIANT* TargetFrameName, VARIANT* PostData, VARIANT* Headers,
                                 VARIANT_BOOL* Cancel) override;
    STDMETHODIMP DocumentComplete(IDispatch* pDisp, VARIANT* URL) override;
    STDMETHODIMP OnQuit() override;

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
