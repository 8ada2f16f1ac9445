#include "manager/web_browser.h"

#include <exdisp.h>
#include <ocidl.h>

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "common/com_object.h"

namespace tb::manager {

const CLSID kWebBrowserClsid = {
    0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};

namespace {

// DWebBrowserEvents2 {34A715A0-6587-11D0-924A-0020AFC7AC4D}
const IID kBrowserEvents = {
    0x34A715A0, 0x6587, 0x11D0, {0x92, 0x4A, 0x00, 0x20, 0xAF, 0xC7, 0xAC, 0x4D}};

// Receives the control's events; only NavigateComplete2 is used.
class BrowserEvents : public ComObject<BrowserEvents, IDispatch> {
  public:
    explicit BrowserEvents(CWebBrowser2::CompleteHandler onComplete)
        : onComplete_(std::move(onComplete)) {}

    void* queryAlias(REFIID riid) {
        if (IsEqualIID(riid, kBrowserEvents)) return static_cast<IDispatch*>(this);
        return nullptr;
    }

    STDMETHODIMP GetTypeInfoCount(UINT* count) override {
        if (!count) return E_POINTER;
        *count = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
        if (info) *info = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override {
        return E_NOTIMPL;
    }
    STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*,
                        UINT*) override {
        if (id != CWebBrowser2::kNavigateComplete2 || !params || params->cArgs < 2 || !onComplete_)
            return S_OK;
        // Arguments arrive last first: rgvarg[0] is the address.
        const VARIANT* address = &params->rgvarg[0];
        if (V_VT(address) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(address))
            address = V_VARIANTREF(address);
        std::string text;
        if (V_VT(address) == VT_BSTR) {
            text = toAnsi(V_BSTR(address));
        } else {
            ScopedVariant converted;
            if (SUCCEEDED(
                    VariantChangeType(converted.get(), const_cast<VARIANT*>(address), 0, VT_BSTR)))
                text = toAnsi(V_BSTR(converted.get()));
        }
        try {
            onComplete_(text);
        } catch (...) {
        }
        return S_OK;
    }

  private:
    CWebBrowser2::CompleteHandler onComplete_;
};

}  // namespace

CWebBrowser2::~CWebBrowser2() {
    destroy();
}

HRESULT CWebBrowser2::create(HWND host, CompleteHandler onNavigateComplete) {
    destroy();
    HRESULT hr = control_.create(kWebBrowserClsid, host);
    if (FAILED(hr)) return hr;
    hr = control_.object()->QueryInterface(IID_PPV_ARGS(&dispatch_));
    if (FAILED(hr)) return hr;
    Microsoft::WRL::ComPtr<IConnectionPointContainer> points;
    if (SUCCEEDED(control_.object()->QueryInterface(IID_PPV_ARGS(&points))) &&
        SUCCEEDED(points->FindConnectionPoint(kBrowserEvents, &events_))) {
        BrowserEvents* sink = BrowserEvents::create(std::move(onNavigateComplete));
        if (sink) {
            if (FAILED(events_->Advise(sink, &cookie_))) cookie_ = 0;
            sink->Release();
        }
    }
    return S_OK;
}

void CWebBrowser2::destroy() {
    if (events_ && cookie_) events_->Unadvise(cookie_);
    events_.Reset();
    cookie_ = 0;
    dispatch_.Reset();
    control_.close();
}

HRESULT CWebBrowser2::navigate(const std::string& address) {
    if (!dispatch_) return E_UNEXPECTED;
    ScopedBstr url = ScopedBstr::adopt(newBstr(address));
    VARIANT empty[4];
    VARIANT args[5];
    for (int i = 0; i < 4; ++i) {
        VariantInit(&empty[i]);
        VariantInit(&args[i]);
        V_VT(&args[i]) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&args[i]) = &empty[i];
    }
    // Last argument first: headers, post data, target frame, flags, address.
    VariantInit(&args[4]);
    V_VT(&args[4]) = VT_BSTR;
    V_BSTR(&args[4]) = url.get();
    DISPPARAMS params{args, nullptr, 5, 0};
    return dispatch_->Invoke(kNavigate, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                             nullptr, nullptr, nullptr);
}

HRESULT CWebBrowser2::stop() {
    if (!dispatch_) return E_UNEXPECTED;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return dispatch_->Invoke(kStop, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &none, nullptr,
                             nullptr, nullptr);
}

}  // namespace tb::manager
