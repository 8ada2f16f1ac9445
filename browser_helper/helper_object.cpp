#include "browser_helper/helper_object.h"

#include <exdisp.h>
#include <oleauto.h>

#include "common/com_convert.h"
#include "common/com_error.h"
#include "common/com_holders.h"

namespace tb::helper {

using Microsoft::WRL::ComPtr;

namespace {

HRESULT resultOf(const EventResult& result) {
    switch (result.kind) {
        case EventResult::Kind::Handled:
            return S_OK;
        case EventResult::Kind::NotHandled:
            return E_NOTIMPL;
        case EventResult::Kind::BrowserError:
            return static_cast<HRESULT>(result.status);
    }
    return E_UNEXPECTED;
}

// The URL argument as text; what cannot be read as a string is the empty
// address (which the service still judges).
std::string urlText(VARIANT* url) {
    if (!url) return {};
    ScopedVariant copy;
    if (FAILED(VariantCopyInd(copy.get(), url))) return {};
    if (FAILED(VariantChangeType(copy.get(), copy.get(), 0, VT_BSTR))) return {};
    return toAnsi(V_BSTR(copy.get()));
}

}  // namespace

TamberlyHelper::TamberlyHelper() : core_(service_, browser_, processState(), dialogs_) {
    try {
        service_.connect();
    } catch (...) {
        service_.disconnect();
    }
}

void* TamberlyHelper::queryAlias(REFIID riid) {
    if (IsEqualIID(riid, IID_IDispatch))
        return static_cast<IDispatch*>(static_cast<ITBHELPExplorerEvents2*>(this));
    return nullptr;
}

template <class Body>
HRESULT TamberlyHelper::event(Body&& body) {
    AddRef();
    const HRESULT hr = comGuard(std::forward<Body>(body));
    Release();
    return hr;
}

STDMETHODIMP TamberlyHelper::SetSite(IUnknown* site) {
    return comGuard([&]() -> HRESULT {
        browser_.detach();
        if (!site) return E_FAIL;
        ComPtr<IWebBrowser2> browser;
        const HRESULT hr = site->QueryInterface(IID_IWebBrowser2, &browser);
        if (FAILED(hr) && hr != E_NOINTERFACE) return hr;
        if (!browser) return E_FAIL;

        ComPtr<IConnectionPointContainer> container;
        ComPtr<IConnectionPoint> point;
        if (FAILED(browser.As(&container)) || !container ||
            FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point)) || !point ||
            FAILED(point->Advise(static_cast<IObjectWithSite*>(this), &cookie_))) {
            return E_FAIL;
        }
        browser_.attach(std::move(browser));
        return S_OK;
    });
}

STDMETHODIMP TamberlyHelper::GetSite(REFIID, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    return E_FAIL;
}

STDMETHODIMP TamberlyHelper::BeforeNavigate2(IDispatch*, VARIANT* URL, VARIANT*, VARIANT*, VARIANT*,
                                             VARIANT*, VARIANT_BOOL* Cancel) {
    return event([&] {
        std::optional<bool> cancel;
        const EventResult result = core_.beforeNavigate2(urlText(URL), cancel);
        if (cancel && Cancel) *Cancel = *cancel ? VARIANT_TRUE : VARIANT_FALSE;
        return resultOf(result);
    });
}

STDMETHODIMP TamberlyHelper::ProgressChange(LONG Progress, LONG ProgressMax) {
    return event([&] { return resultOf(core_.progressChange(Progress, ProgressMax)); });
}

// A frame's DocumentComplete comes from the frame's own browser object: its
// document is the one to check.
STDMETHODIMP TamberlyHelper::DocumentComplete(IDispatch* pDisp, VARIANT*) {
    return event([&] {
        ComPtr<IWebBrowser2> frame;
        if (pDisp && !browser_.is(pDisp) &&
            SUCCEEDED(pDisp->QueryInterface(IID_IWebBrowser2, &frame)) && frame) {
            BrowserLink link;
            link.attach(std::move(frame));
            return resultOf(core_.documentComplete(&link));
        }
        return resultOf(core_.documentComplete());
    });
}

STDMETHODIMP TamberlyHelper::OnQuit() {
    return event([&] { return resultOf(core_.onQuit()); });
}

}  // namespace tb::helper
