// The browser's DWebBrowserEvents2 as our plug-ins' dual interfaces declare
// them (the same 18 members and DISPIDs, under each plug-in's own IID): each
// member answers E_NOTIMPL unless the plug-in overrides it.
//
//   class Helper : public tb::ComObject<Helper, tb::BrowserEvents<IHelperEvents, &LIBID_x>> {
//       STDMETHODIMP OnQuit() override;  // the events it acts on
//   };
#pragma once

#include "common/dispatch.h"

namespace tb {

template <class I, const GUID* LibId>
class BrowserEvents : public Dispatch<I, LibId> {
public:
    STDMETHODIMP StatusTextChange(BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP ProgressChange(LONG, LONG) override { return E_NOTIMPL; }
    STDMETHODIMP CommandStateChange(LONG, VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP DownloadBegin() override { return E_NOTIMPL; }
    STDMETHODIMP DownloadComplete() override { return E_NOTIMPL; }
    STDMETHODIMP TitleChange(BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP PropertyChange(BSTR) override { return E_NOTIMPL; }
    STDMETHODIMP BeforeNavigate2(IDispatch*, VARIANT*, VARIANT*, VARIANT*, VARIANT*, VARIANT*,
                                 VARIANT_BOOL*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP NewWindow2(IDispatch**, VARIANT_BOOL*) override { return E_NOTIMPL; }
    STDMETHODIMP NavigateComplete2(IDispatch*, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP DocumentComplete(IDispatch*, VARIANT*) override { return E_NOTIMPL; }
    STDMETHODIMP OnQuit() override { return E_NOTIMPL; }
    STDMETHODIMP OnVisible(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP OnToolBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP OnMenuBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP OnStatusBar(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP OnFullScreen(VARIANT_BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP OnTheaterMode(VARIANT_BOOL) override { return E_NOTIMPL; }
};

}  // namespace tb
