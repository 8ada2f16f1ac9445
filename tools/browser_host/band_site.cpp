#include "tools/browser_host/band_site.h"

#include <exdisp.h>
#include <shlguid.h>

namespace tb::host {

using Microsoft::WRL::ComPtr;

STDMETHODIMP BandSite::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = window_;
    return window_ ? S_OK : E_FAIL;
}

STDMETHODIMP BandSite::QueryService(REFGUID service, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!browser_) return E_FAIL;
    return browser_->QueryService(service, riid, ppv);
}

HRESULT BarHost::show(const std::wstring& clsidText, bool visible, HWND window,
                      IServiceProvider* browser) {
    if (!enabled_) return S_OK;
    CLSID clsid;
    if (FAILED(CLSIDFromString(clsidText.c_str(), &clsid))) return E_INVALIDARG;
    for (Band& band : bands_) {
        if (IsEqualCLSID(band.clsid, clsid))
            return band.docking ? band.docking->ShowDW(visible) : S_OK;
    }
    if (!visible) return S_OK;
    Band band{clsid, nullptr, nullptr, nullptr};
    ComPtr<IUnknown> object;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object);
    if (FAILED(hr)) return hr;
    band.site.Attach(BandSite::create(window, browser));
    if (!band.site) return E_OUTOFMEMORY;
    if (FAILED(hr = object.As(&band.sited))) return hr;
    if (FAILED(hr = band.sited->SetSite(static_cast<IOleWindow*>(band.site.Get())))) return hr;
    object.As(&band.docking);
    if (band.docking) hr = band.docking->ShowDW(TRUE);
    bands_.push_back(std::move(band));
    return hr;
}

void BarHost::closeAll() {
    for (Band& band : bands_) {
        if (band.docking) band.docking->CloseDW(0);
        if (band.sited) band.sited->SetSite(nullptr);
        if (band.site) band.site->forget();
    }
    bands_.clear();
}

}  // namespace tb::host
