#include "tools/browser_host/band_site.h"

#include <exdisp.h>
#include <shlguid.h>

#include <cstdio>

#include "common/com_convert.h"
#include "tools/browser_host/script.h"

namespace tb::host {

using Microsoft::WRL::ComPtr;

namespace {

std::string hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(hr));
    return text;
}

std::string clsidText(const CLSID& clsid) {
    wchar_t text[40] = L"";
    StringFromGUID2(clsid, text, 40);
    return toAnsi(text, wcslen(text));
}

}  // namespace

STDMETHODIMP BandSite::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = window_;
    return window_ ? S_OK : E_FAIL;
}

STDMETHODIMP BandSite::OnFocusChangeIS(IUnknown*, BOOL focus) {
    if (out_)
        out_->line(outputLine("band", name_, {{"event", "focus"}, {"focus", focus ? "1" : "0"}}));
    return S_OK;
}

STDMETHODIMP BandSite::QueryService(REFGUID service, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!browser_) return E_FAIL;
    return browser_->QueryService(service, riid, ppv);
}

void BarHost::attach(const std::string& window, const PageSource& pages, Output& out, bool trace) {
    context_ = BarControlContext{window, &pages, &out, trace, &controls_};
}

void BarHost::report(const char* event, const CLSID& clsid, HRESULT hr) {
    if (!context_.out) return;
    context_.out->line(outputLine(
        "band", context_.window, {{"event", event}, {"clsid", clsidText(clsid)}, {"hr", hex(hr)}}));
}

HRESULT BarHost::show(const std::wstring& clsidText, bool visible, HWND window,
                      IServiceProvider* browser) {
    if (!enabled_) return S_OK;
    CLSID clsid;
    if (FAILED(CLSIDFromString(clsidText.c_str(), &clsid))) return E_INVALIDARG;
    ScopedBarControlContext context(&context_);
    for (Band& band : bands_) {
        if (!IsEqualCLSID(band.clsid, clsid)) continue;
        const HRESULT hr = band.docking ? band.docking->ShowDW(visible) : S_OK;
        report(visible ? "shown" : "hidden", clsid, hr);
        return hr;
    }
    if (!visible) return S_OK;
    registerBarControlClass();
    Band band{clsid, nullptr, nullptr, nullptr};
    ComPtr<IUnknown> object;
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object);
    if (FAILED(hr)) return hr;
    band.site.Attach(BandSite::create(window, browser, context_.window, context_.out));
    if (!band.site) return E_OUTOFMEMORY;
    if (FAILED(hr = object.As(&band.sited))) return hr;
    hr = band.sited->SetSite(static_cast<IOleWindow*>(band.site.Get()));
    report("created", clsid, hr);
    if (FAILED(hr)) return hr;
    reportBandInfo(object.Get());
    object.As(&band.docking);
    if (band.docking) {
        hr = band.docking->ShowDW(TRUE);
        report("shown", clsid, hr);
    }
    bands_.push_back(std::move(band));
    return hr;
}

// As the browser adds a band: it asks for every part of the band's info.
void BarHost::reportBandInfo(IUnknown* object) {
    ComPtr<IDeskBand> band;
    if (!context_.out || FAILED(object->QueryInterface(IID_PPV_ARGS(&band)))) return;
    DESKBANDINFO info = {};
    info.dwMask = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE |
                  DBIM_MODEFLAGS | DBIM_BKCOLOR;
    const HRESULT hr = band->GetBandInfo(0, DBIF_VIEWMODE_NORMAL, &info);
    const auto size = [](POINTL p) { return std::to_string(p.x) + "x" + std::to_string(p.y); };
    context_.out->line(outputLine("band", context_.window,
                                  {{"event", "info"},
                                   {"min", size(info.ptMinSize)},
                                   {"max", size(info.ptMaxSize)},
                                   {"integral", size(info.ptIntegral)},
                                   {"actual", size(info.ptActual)},
                                   {"modeflags", std::to_string(info.dwModeFlags)},
                                   {"background", (info.dwMask & DBIM_BKCOLOR) ? "own" : "site"},
                                   {"title", toAnsi(info.wszTitle, wcsnlen(info.wszTitle, 256))},
                                   {"hr", hex(hr)}}));
}

bool BarHost::reportState() {
    if (bands_.empty() || !context_.out) return false;
    ComPtr<IOleWindow> band;
    HWND window = nullptr;
    if (FAILED(bands_.back().sited.As(&band)) || FAILED(band->GetWindow(&window)) || !window)
        return false;
    HWND site = nullptr;
    bands_.back().site->GetWindow(&site);
    wchar_t name[64] = L"";
    GetClassNameW(window, name, 64);
    LOGBRUSH brush = {};
    GetObjectW(reinterpret_cast<HGDIOBJ>(GetClassLongPtrW(window, GCLP_HBRBACKGROUND)),
               sizeof brush, &brush);
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    char classStyle[16], background[16];
    std::snprintf(classStyle, sizeof classStyle, "0x%04lx",
                  static_cast<unsigned long>(GetClassLongPtrW(window, GCL_STYLE)));
    std::snprintf(background, sizeof background, "0x%08lx",
                  static_cast<unsigned long>(brush.lbColor));
    context_.out->line(outputLine("bandstate", context_.window,
                                  {{"class", toAnsi(name, wcslen(name))},
                                   {"child", GetParent(window) == site ? "1" : "0"},
                                   {"visible", (style & WS_VISIBLE) ? "1" : "0"},
                                   {"border", (style & WS_BORDER) ? "1" : "0"},
                                   {"classstyle", classStyle},
                                   {"background", background}}));
    return true;
}

void BarHost::closeAll() {
    ScopedBarControlContext context(&context_);
    for (Band& band : bands_) {
        if (band.docking) band.docking->CloseDW(0);
        if (band.sited) band.sited->SetSite(nullptr);
        if (band.site) band.site->forget();
        report("closed", band.clsid, S_OK);
    }
    bands_.clear();
    for (const ComPtr<BarControl>& control : controls_) control->detach();
    controls_.clear();
}

BarControl* BarHost::control() {
    return controls_.empty() ? nullptr : controls_.back().Get();
}

void BarHost::settle() {
    ScopedBarControlContext context(&context_);
    for (size_t i = 0; i < controls_.size(); ++i) {
        ComPtr<BarControl> control = controls_[i];
        control->settle();
    }
}

HRESULT BarHost::activate() {
    if (bands_.empty()) return E_FAIL;
    ComPtr<IInputObject> input;
    HRESULT hr = bands_.back().sited.As(&input);
    if (SUCCEEDED(hr)) hr = input->UIActivateIO(TRUE, nullptr);
    return hr;
}

}  // namespace tb::host
