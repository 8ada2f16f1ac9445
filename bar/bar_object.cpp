#include "bar/bar_object.h"

#include <exdisp.h>
#include <oleauto.h>
#include <shlguid.h>

#include <algorithm>
#include <cstring>

#include "bar_pages/tbpages.h"
#include "common/com_convert.h"
#include "common/com_error.h"
#include "common/com_holders.h"
#include "common/type_library.h"
#include "common/vendor_endpoints.h"

namespace tb::bar {

using Microsoft::WRL::ComPtr;

namespace {

constexpr int kBandHeight = 60;
constexpr int kMinimumWidth = 10;
constexpr char kCommandText[] = "&TamberlyBar Command";
constexpr char kCommandVerb[] = "command";
constexpr char kCommandHelp[] = "TamberlyBar command help text";

class TablePages : public BarPages {
  public:
    char* navPage() override { return NavPage(); }
    char* microAdPage() override { return MicroAdPage(); }
};

// The URL argument as text, by reference or not.
HRESULT urlText(VARIANT* url, std::string& text) {
    text.clear();
    if (!url) return E_INVALIDARG;
    ScopedVariant copy;
    HRESULT hr = VariantCopyInd(copy.get(), url);
    if (SUCCEEDED(hr)) hr = VariantChangeType(copy.get(), copy.get(), 0, VT_BSTR);
    if (FAILED(hr)) return hr;
    text = toAnsi(V_BSTR(copy.get()));
    return S_OK;
}

std::string locationOf(IWebBrowser2* browser) {
    ScopedBstr location;
    if (!browser || FAILED(browser->get_LocationURL(location.receive()))) return {};
    return toAnsi(location.get());
}

HRESULT copyText(const char* text, LPSTR name, UINT max) {
    if (!name || max == 0) return E_INVALIDARG;
    const size_t length = std::min<size_t>(std::strlen(text), max - 1);
    std::memcpy(name, text, length);
    name[length] = '\0';
    return S_OK;
}

}  // namespace

BarPages& processPages() {
    static TablePages pages;
    return pages;
}

ProcessCounters& processCounters() {
    static ProcessCounters counters;
    return counters;
}

TamberlyBar::TamberlyBar() : rules_(processPages(), processCounters(), vendor::kBannerImage) {}

TamberlyBar::~TamberlyBar() {
    if (bandWindow_ && IsWindow(bandWindow_)) DestroyWindow(bandWindow_);
    restoreSiteWindow(subclassedSite_);
}

void* TamberlyBar::queryAlias(REFIID riid) {
    if (IsEqualIID(riid, IID_IOleWindow) || IsEqualIID(riid, IID_IDockingWindow))
        return static_cast<IDeskBand*>(this);
    if (IsEqualIID(riid, IID_IPersist)) return static_cast<IPersistStream*>(this);
    if (IsEqualIID(riid, IID_IDispatch))
        return static_cast<IDispatch*>(static_cast<IExplorerEvents2*>(this));
    return nullptr;
}

template <class Body>
HRESULT TamberlyBar::event(Body&& body) {
    AddRef();
    const HRESULT hr = comGuard(std::forward<Body>(body));
    Release();
    return hr;
}

// --- the band window ---

void TamberlyBar::windowCreated(HWND window) {
    bandWindow_ = window;
}

void TamberlyBar::focusLost() {
    focus_ = 0;
    if (inputSite_) inputSite_->OnFocusChangeIS(static_cast<IDeskBand*>(this), FALSE);
}

void TamberlyBar::windowResized(int width, int height) {
    control_.resize(width, height);
}

// The hosted control goes with the window that hosts it, and with it the
// connection to its events, which holds this object.
void TamberlyBar::windowDestroyed() {
    if (barEvents_ && barCookie_) barEvents_->Unadvise(barCookie_);
    barEvents_.Reset();
    barCookie_ = 0;
    adBrowser_.Reset();
    barBrowser_.Reset();
    control_.close();
    bandWindow_ = nullptr;
    controlHost_ = nullptr;
}

bool TamberlyBar::createBandWindow() {
    if (bandWindow_ && IsWindow(bandWindow_)) return true;
    const HMODULE module = thisModule();
    if (!registerBandWindowClass(module)) return false;
    if (!tb::bar::createBandWindow(module, siteWindow_, this)) return false;
    controlHost_ = bandWindow_;
    const char* mainPage = MainBarPage();
    rules_.setMainBarPage(mainPage ? mainPage : "");
    const HRESULT created = control_.create(controlHost_, rules_.mainBarPage(), barBrowser_);
    ShowWindow(::GetWindow(bandWindow_, GW_HWNDFIRST), SW_HIDE);
    subclassSiteWindow(siteWindow_);
    if (!subclassedSite_) subclassedSite_ = siteWindow_;
    return SUCCEEDED(created) && barBrowser_;
}

HRESULT TamberlyBar::connect(IWebBrowser2* browser, DWORD& cookie, ComPtr<IConnectionPoint>* keep) {
    if (!browser) return E_FAIL;
    ComPtr<IConnectionPointContainer> container;
    ComPtr<IConnectionPoint> point;
    HRESULT hr = browser->QueryInterface(IID_PPV_ARGS(&container));
    if (SUCCEEDED(hr)) hr = container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point);
    if (SUCCEEDED(hr))
        hr = point->Advise(static_cast<IDispatch*>(static_cast<IExplorerEvents2*>(this)), &cookie);
    if (FAILED(hr)) {
        cookie = 0;
        return hr;
    }
    if (keep) *keep = point;
    return S_OK;
}

bool TamberlyBar::isWindowTop(IDispatch* pDisp) const {
    if (!pDisp || !windowBrowser_) return false;
    ComPtr<IDispatch> top;
    return SUCCEEDED(windowBrowser_.As(&top)) && top.Get() == pDisp;
}

void TamberlyBar::reloadBar() {
    if (!barBrowser_) return;
    ScopedBstr url = ScopedBstr::adopt(newBstr(rules_.mainBarPage()));
    ScopedVariant empty;
    barBrowser_->Navigate(url.get(), empty.get(), empty.get(), empty.get(), empty.get());
}

// --- IObjectWithSite ---

STDMETHODIMP TamberlyBar::SetSite(IUnknown* site) {
    return comGuard([&]() -> HRESULT {
        inputSite_.Reset();
        windowBrowser_.Reset();
        if (!site) return S_OK;

        ComPtr<IOleWindow> oleWindow;
        HWND window = nullptr;
        if (SUCCEEDED(site->QueryInterface(IID_PPV_ARGS(&oleWindow))) && oleWindow)
            oleWindow->GetWindow(&window);
        siteWindow_ = window;
        if (!siteWindow_ || !createBandWindow()) return E_FAIL;

        ComPtr<IServiceProvider> services;
        if (FAILED(site->QueryInterface(IID_PPV_ARGS(&inputSite_))) || !inputSite_ ||
            FAILED(site->QueryInterface(IID_PPV_ARGS(&services))) || !services ||
            FAILED(services->QueryService(SID_SWebBrowserApp, IID_PPV_ARGS(&windowBrowser_))) ||
            !windowBrowser_) {
            inputSite_.Reset();
            windowBrowser_.Reset();
            return E_FAIL;
        }

        // Each browser is connected once, however often the band is sited.
        if (!windowCookie_) connect(windowBrowser_.Get(), windowCookie_, nullptr);
        if (barCookie_) return S_OK;
        return SUCCEEDED(connect(barBrowser_.Get(), barCookie_, &barEvents_)) ? S_OK : E_FAIL;
    });
}

STDMETHODIMP TamberlyBar::GetSite(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!inputSite_) return E_FAIL;
    return inputSite_->QueryInterface(riid, ppv);
}

// --- IOleWindow, IDockingWindow, IDeskBand ---

STDMETHODIMP TamberlyBar::GetWindow(HWND* window) {
    if (!window) return E_POINTER;
    *window = bandWindow_;
    return S_OK;
}

STDMETHODIMP TamberlyBar::ContextSensitiveHelp(BOOL) {
    return E_NOTIMPL;
}

STDMETHODIMP TamberlyBar::ShowDW(BOOL show) {
    if (bandWindow_) ShowWindow(bandWindow_, show ? SW_SHOW : SW_HIDE);
    return S_OK;
}

STDMETHODIMP TamberlyBar::CloseDW(DWORD) {
    ShowDW(FALSE);
    if (bandWindow_ && IsWindow(bandWindow_)) DestroyWindow(bandWindow_);
    bandWindow_ = nullptr;
    return S_OK;
}

STDMETHODIMP TamberlyBar::ResizeBorderDW(LPCRECT, IUnknown*, BOOL) {
    return E_NOTIMPL;
}

STDMETHODIMP TamberlyBar::GetBandInfo(DWORD, DWORD, DESKBANDINFO* info) {
    if (!info) return E_INVALIDARG;
    if (info->dwMask & DBIM_MINSIZE) info->ptMinSize = {kMinimumWidth, kBandHeight};
    if (info->dwMask & DBIM_MAXSIZE) info->ptMaxSize = {-1, kBandHeight};
    if (info->dwMask & DBIM_INTEGRAL) info->ptIntegral = {1, 1};
    if (info->dwMask & DBIM_ACTUAL) info->ptActual = {0, kBandHeight};
    if (info->dwMask & DBIM_MODEFLAGS) info->dwModeFlags = DBIMF_VARIABLEHEIGHT;
    // The band site's own colour.
    if (info->dwMask & DBIM_BKCOLOR) info->dwMask &= ~static_cast<DWORD>(DBIM_BKCOLOR);
    return S_OK;
}

// --- IInputObject ---

STDMETHODIMP TamberlyBar::UIActivateIO(BOOL activate, MSG*) {
    if (activate && bandWindow_) SetFocus(bandWindow_);
    return S_OK;
}

STDMETHODIMP TamberlyBar::HasFocusIO() {
    return focus_ ? S_OK : S_FALSE;
}

STDMETHODIMP TamberlyBar::TranslateAcceleratorIO(MSG*) {
    return S_FALSE;
}

// --- IPersist, IPersistStream: nothing is kept ---

STDMETHODIMP TamberlyBar::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = CLSID_CTamberlyBar;
    return S_OK;
}

STDMETHODIMP TamberlyBar::IsDirty() {
    return S_FALSE;
}

STDMETHODIMP TamberlyBar::Load(IStream*) {
    return S_OK;
}

STDMETHODIMP TamberlyBar::Save(IStream*, BOOL) {
    return S_OK;
}

STDMETHODIMP TamberlyBar::GetSizeMax(ULARGE_INTEGER*) {
    return E_NOTIMPL;
}

// --- IContextMenu ---

STDMETHODIMP TamberlyBar::QueryContextMenu(HMENU menu, UINT index, UINT firstId, UINT, UINT flags) {
    if (flags & CMF_DEFAULTONLY) return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 0);
    InsertMenuA(menu, index, MF_STRING | MF_BYPOSITION, firstId, kCommandText);
    return MAKE_HRESULT(SEVERITY_SUCCESS, 0, 1);
}

STDMETHODIMP TamberlyBar::InvokeCommand(CMINVOKECOMMANDINFO* info) {
    if (!info || HIWORD(reinterpret_cast<UINT_PTR>(info->lpVerb)) != 0 ||
        LOWORD(reinterpret_cast<UINT_PTR>(info->lpVerb)) != 0)
        return E_INVALIDARG;
    MessageBoxA(info->hwnd, "TamberlyBar Command selected.", "TamberlyBar",
                MB_OK | MB_ICONINFORMATION);
    return S_OK;
}

STDMETHODIMP TamberlyBar::GetCommandString(UINT_PTR id, UINT type, UINT*, LPSTR name, UINT max) {
    if (type == GCS_VALIDATEA) return S_OK;
    if (id != 0) return E_INVALIDARG;
    if (type == GCS_VERBA) return copyText(kCommandVerb, name, max);
    if (type == GCS_HELPTEXTA) return copyText(kCommandHelp, name, max);
    return E_INVALIDARG;
}

// --- IExplorerEvents2 ---

STDMETHODIMP TamberlyBar::BeforeNavigate2(IDispatch* pDisp, VARIANT* URL, VARIANT*, VARIANT*,
                                          VARIANT*, VARIANT*, VARIANT_BOOL* Cancel) {
    return event([&]() -> HRESULT {
        ComPtr<IWebBrowser2> browser;
        if (!pDisp || FAILED(pDisp->QueryInterface(IID_PPV_ARGS(&browser))) || !browser)
            return S_OK;
        const std::string leaving = locationOf(browser.Get());
        std::string url;
        const HRESULT read = urlText(URL, url);
        if (FAILED(read)) return rules_.isBarPage(leaving) ? read : S_OK;
        const Navigation navigation{leaving, url, isWindowTop(pDisp)};
        if (rules_.beforeNavigate2(navigation) != NavigationVerdict::OpenInMainWindow) return S_OK;
        if (!windowBrowser_) return S_OK;
        // The referrer first: when it fails nothing has been touched yet.
        _variant_t headers;
        const int referrer = ReferrerPage(headers);
        if (referrer != 0) return static_cast<HRESULT>(referrer);
        windowBrowser_->Stop();
        ScopedBstr target = ScopedBstr::adopt(newBstr(url));
        ScopedVariant empty;
        windowBrowser_->Navigate(target.get(), empty.get(), empty.get(), empty.get(), &headers);
        if (Cancel) *Cancel = 1;
        return S_OK;
    });
}

STDMETHODIMP TamberlyBar::NavigateComplete2(IDispatch* pDisp, VARIANT* URL) {
    return event([&]() -> HRESULT {
        if (isWindowTop(pDisp)) return S_OK;
        std::string url;
        const HRESULT read = urlText(URL, url);
        if (FAILED(read)) return read;
        if (rules_.navigateComplete2(false, url)) reloadBar();
        return S_OK;
    });
}

STDMETHODIMP TamberlyBar::DocumentComplete(IDispatch* pDisp, VARIANT*) {
    return event([&]() -> HRESULT {
        if (!windowBrowser_) return E_NOTIMPL;
        ComPtr<IWebBrowser2> browser;
        if (pDisp) pDisp->QueryInterface(IID_PPV_ARGS(&browser));
        const DocumentActions actions = rules_.documentComplete(
            locationOf(browser.Get()), isWindowTop(pDisp), adBrowser_ != nullptr);
        if (actions.rememberAdBrowser) adBrowser_ = browser;
        if (actions.refreshAdBrowser && adBrowser_) {
            adBrowser_->Stop();
            adBrowser_->Refresh();
        }
        if (actions.refreshBar && barBrowser_) {
            barBrowser_->Stop();
            barBrowser_->Refresh();
        }
        return S_OK;
    });
}

}  // namespace tb::bar
