#include "tools/browser_host/bar_control.h"

#include <exdispid.h>
#include <oleauto.h>

#include <cstdio>
#include <mutex>

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "tools/browser_host/script.h"

namespace tb::host {

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kViewClass[] = L"TamberlyHostBarView";

thread_local BarControlContext* currentContext = nullptr;

std::string hex(HRESULT hr) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(hr));
    return text;
}

std::optional<std::string> textOf(VARIANT* v) {
    if (!v) return std::nullopt;
    ScopedVariant copy;
    if (FAILED(VariantCopyInd(copy.get(), v)) || V_VT(copy.get()) == VT_EMPTY ||
        V_VT(copy.get()) == VT_NULL)
        return std::nullopt;
    if (FAILED(VariantChangeType(copy.get(), copy.get(), 0, VT_BSTR))) return std::nullopt;
    return toAnsi(V_BSTR(copy.get()));
}

HRESULT textOut(const std::string& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = newBstr(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

template <class T>
HRESULT valueOut(T value, T* out) {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
}

VARIANTARG byRef(VARIANT* target) {
    VARIANTARG arg;
    VariantInit(&arg);
    V_VT(&arg) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&arg) = target;
    return arg;
}

void setText(ScopedVariant& v, const std::string& text) {
    V_VT(v.get()) = VT_BSTR;
    V_BSTR(v.get()) = newBstr(text);
}

void registerViewClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kViewClass;
        RegisterClassW(&wc);
    });
}

class BarControlFactory : public ComObject<BarControlFactory, IClassFactory> {
  public:
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        BarControlContext* context = currentContext;
        if (!context || !context->pages || !context->out) return E_FAIL;
        ComPtr<BarControl> control;
        control.Attach(
            BarControl::create(context->window, *context->pages, *context->out, context->trace));
        if (!control) return E_OUTOFMEMORY;
        const HRESULT hr = control->QueryInterface(riid, ppv);
        if (SUCCEEDED(hr) && context->made) context->made->push_back(control);
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

}  // namespace

// --- BarFrame ---

void* BarFrame::queryAlias(REFIID riid) {
    if (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IWebBrowser) ||
        IsEqualIID(riid, IID_IWebBrowserApp))
        return static_cast<IWebBrowser2*>(this);
    return nullptr;
}

STDMETHODIMP BarFrame::Navigate(BSTR URL, VARIANT*, VARIANT*, VARIANT*, VARIANT* Headers) {
    if (!URL) return E_INVALIDARG;
    if (!control_) return E_UNEXPECTED;
    return control_->navigateTo(std::wstring(URL, SysStringLen(URL)), Headers, id_);
}

STDMETHODIMP BarFrame::Refresh() {
    if (!control_) return E_UNEXPECTED;
    control_->record("Refresh", {{"frame", std::to_string(id_)}});
    return S_OK;
}

STDMETHODIMP BarFrame::Refresh2(VARIANT*) {
    return Refresh();
}

STDMETHODIMP BarFrame::Stop() {
    if (!control_) return E_UNEXPECTED;
    control_->record("Stop", {{"frame", std::to_string(id_)}});
    return S_OK;
}

STDMETHODIMP BarFrame::get_LocationURL(BSTR* LocationURL) {
    std::string location = last_;
    if (control_) location = control_->navigator_.frameLocation(id_).value_or(last_);
    return textOut(location, LocationURL);
}

STDMETHODIMP BarFrame::get_TopLevelContainer(VARIANT_BOOL* pBool) {
    return valueOut<VARIANT_BOOL>(VARIANT_FALSE, pBool);
}

// --- BarControl ---

BarControl::BarControl(std::string window, const PageSource& pages, Output& out, bool trace)
    : window_(std::move(window)), out_(out), trace_(trace), navigator_(window_, *this, pages, out) {
    events_.Attach(EventConnection::create(static_cast<IConnectionPointContainer*>(this)));
}

BarControl::~BarControl() {
    detach();
    if (events_) events_->forgetContainer();
}

void* BarControl::queryAlias(REFIID riid) {
    if (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IWebBrowser) ||
        IsEqualIID(riid, IID_IWebBrowserApp))
        return static_cast<IWebBrowser2*>(this);
    if (IsEqualIID(riid, IID_IOleWindow)) return static_cast<IOleInPlaceObject*>(this);
    return nullptr;
}

void BarControl::detach() {
    detached_ = true;
    if (events_) events_->clear();
    for (auto& [id, frame] : frames_) {
        frame->last_ = navigator_.frameLocation(id).value_or(frame->last_);
        frame->detach();
    }
    frames_.clear();
    if (view_) DestroyWindow(view_);
    view_ = nullptr;
    site_.Reset();
}

void BarControl::record(const std::string& call,
                        std::vector<std::pair<std::string, std::string>> fields) {
    fields.insert(fields.begin(), {"call", call});
    out_.line(outputLine("barview", window_, fields));
}

bool BarControl::followLink(const std::string& url, uint32_t frame) {
    if (detached_) return false;
    return navigator_.navigate(url, frame);
}

void BarControl::settle() {
    if (!detached_) navigator_.run();
}

void BarControl::reportState() {
    std::vector<std::pair<std::string, std::string>> fields = {
        {"url", navigator_.location()},
        {"frames", std::to_string(navigator_.frames().size())},
        {"shown",
         view_ && (GetWindowLongPtrW(GetParent(view_), GWL_STYLE) & WS_VISIBLE) ? "1" : "0"}};
    for (const BarNavigator::Frame& f : navigator_.frames())
        fields.emplace_back("frame" + std::to_string(f.id), f.location);
    out_.line(outputLine("barstate", window_, fields));
}

IDispatch* BarControl::source(uint32_t id) {
    // Frames of an earlier page are gone: their objects only remember.
    for (auto it = frames_.begin(); it != frames_.end();) {
        if (!navigator_.frameLocation(it->first)) {
            it->second->detach();
            it = frames_.erase(it);
        } else {
            ++it;
        }
    }
    if (id == 0) return dispatch();
    if (!navigator_.frameLocation(id)) return nullptr;
    ComPtr<BarFrame>& frame = frames_[id];
    if (!frame) frame.Attach(BarFrame::create(this, id));
    return frame ? frame->dispatch() : nullptr;
}

HRESULT BarControl::navigateTo(const std::wstring& url, VARIANT* headers, uint32_t frame) {
    if (detached_) return E_UNEXPECTED;
    const std::string text = toAnsi(url.c_str(), url.size());
    std::vector<std::pair<std::string, std::string>> fields = {{"url", text}};
    if (std::optional<std::string> h = textOf(headers); h && !h->empty())
        fields.emplace_back("headers", *h);
    if (frame) fields.emplace_back("frame", std::to_string(frame));
    record("Navigate", fields);
    return navigator_.navigate(text, frame) ? S_OK : E_FAIL;
}

HRESULT BarControl::raise(DISPID id, const char* event, VARIANTARG* args, UINT count,
                          const std::string& url) {
    if (detached_ || !events_) return E_UNEXPECTED;
    DISPPARAMS params = {args, nullptr, count, 0};
    const HRESULT hr = events_->raise(id, params);
    if (trace_)
        out_.line(
            outputLine("barevent", window_, {{"event", event}, {"url", url}, {"hr", hex(hr)}}));
    return hr;
}

// The arguments as the browser passes them, last to first (see HostWindow).
WindowEvents::Verdict BarControl::beforeNavigate2(uint32_t frame, const std::string& url) {
    ComPtr<BarControl> alive(this);
    ScopedVariant address, flags, frameName, postData, headers;
    setText(address, url);
    V_VT(flags.get()) = VT_I4;
    V_I4(flags.get()) = 0;
    setText(frameName, "");
    setText(headers, "");
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANTARG args[7];
    VariantInit(&args[6]);
    V_VT(&args[6]) = VT_DISPATCH;
    V_DISPATCH(&args[6]) = source(frame);
    args[5] = byRef(address.get());
    args[4] = byRef(flags.get());
    args[3] = byRef(frameName.get());
    args[2] = byRef(postData.get());
    args[1] = byRef(headers.get());
    VariantInit(&args[0]);
    V_VT(&args[0]) = VT_BOOL | VT_BYREF;
    V_BOOLREF(&args[0]) = &cancel;
    const HRESULT hr = raise(DISPID_BEFORENAVIGATE2, "BeforeNavigate2", args, 7, url);
    return WindowEvents::Verdict{cancel != VARIANT_FALSE, static_cast<int32_t>(hr), {}};
}

void BarControl::navigateComplete2(uint32_t frame, const std::string& url) {
    ComPtr<BarControl> alive(this);
    ScopedVariant address;
    setText(address, url);
    VARIANTARG args[2];
    VariantInit(&args[1]);
    V_VT(&args[1]) = VT_DISPATCH;
    V_DISPATCH(&args[1]) = source(frame);
    args[0] = byRef(address.get());
    raise(DISPID_NAVIGATECOMPLETE2, "NavigateComplete2", args, 2, url);
}

void BarControl::documentComplete(uint32_t frame, const std::string& url) {
    ComPtr<BarControl> alive(this);
    ScopedVariant address;
    setText(address, url);
    VARIANTARG args[2];
    VariantInit(&args[1]);
    V_VT(&args[1]) = VT_DISPATCH;
    V_DISPATCH(&args[1]) = source(frame);
    args[0] = byRef(address.get());
    raise(DISPID_DOCUMENTCOMPLETE, "DocumentComplete", args, 2, url);
}

STDMETHODIMP BarControl::Navigate(BSTR URL, VARIANT*, VARIANT*, VARIANT*, VARIANT* Headers) {
    if (!URL) return E_INVALIDARG;
    return navigateTo(std::wstring(URL, SysStringLen(URL)), Headers, 0);
}

STDMETHODIMP BarControl::Navigate2(VARIANT* URL, VARIANT*, VARIANT*, VARIANT*, VARIANT* Headers) {
    const std::optional<std::string> url = textOf(URL);
    if (!url) return E_INVALIDARG;
    return navigateTo(toWide(*url), Headers, 0);
}

// A refresh reloads the document without navigation events.
STDMETHODIMP BarControl::Refresh() {
    if (detached_) return E_UNEXPECTED;
    record("Refresh");
    return S_OK;
}

STDMETHODIMP BarControl::Refresh2(VARIANT*) {
    return Refresh();
}

STDMETHODIMP BarControl::Stop() {
    if (detached_) return E_UNEXPECTED;
    record("Stop");
    navigator_.stop();
    return S_OK;
}

STDMETHODIMP BarControl::get_LocationURL(BSTR* LocationURL) {
    return textOut(navigator_.location(), LocationURL);
}

STDMETHODIMP BarControl::get_Busy(VARIANT_BOOL* pBool) {
    return valueOut<VARIANT_BOOL>(navigator_.pending() ? VARIANT_TRUE : VARIANT_FALSE, pBool);
}

STDMETHODIMP BarControl::get_TopLevelContainer(VARIANT_BOOL* pBool) {
    return valueOut<VARIANT_BOOL>(VARIANT_TRUE, pBool);
}

STDMETHODIMP BarControl::get_HWND(SHANDLE_PTR* pHWND) {
    return valueOut(reinterpret_cast<SHANDLE_PTR>(view_), pHWND);
}

STDMETHODIMP BarControl::get_ReadyState(READYSTATE* plReadyState) {
    return valueOut(navigator_.pending() ? READYSTATE_LOADING : READYSTATE_COMPLETE, plReadyState);
}

STDMETHODIMP BarControl::SetClientSite(IOleClientSite* pClientSite) {
    site_ = pClientSite;
    return S_OK;
}

STDMETHODIMP BarControl::GetClientSite(IOleClientSite** ppClientSite) {
    if (!ppClientSite) return E_POINTER;
    return site_.CopyTo(ppClientSite);
}

STDMETHODIMP BarControl::SetHostNames(LPCOLESTR, LPCOLESTR) {
    return S_OK;
}

// The container closes the control: it raises nothing more.
STDMETHODIMP BarControl::Close(DWORD) {
    detach();
    return S_OK;
}

// In-place activation: a child window of the container's window.
STDMETHODIMP BarControl::DoVerb(LONG verb, LPMSG, IOleClientSite* active, LONG, HWND parent,
                                LPCRECT position) {
    if (verb != OLEIVERB_INPLACEACTIVATE && verb != OLEIVERB_SHOW && verb != OLEIVERB_UIACTIVATE)
        return OLEOBJ_E_NOVERBS;
    if (view_) return S_OK;
    ComPtr<IOleInPlaceSite> inPlace;
    IOleClientSite* site = active ? active : site_.Get();
    if (site) site->QueryInterface(IID_PPV_ARGS(&inPlace));
    if (inPlace && inPlace->CanInPlaceActivate() != S_OK) return E_FAIL;
    if (inPlace) inPlace->OnInPlaceActivate();
    registerViewClass();
    RECT area = position ? *position : RECT{0, 0, 0, 0};
    view_ = CreateWindowExW(0, kViewClass, L"", WS_CHILD | WS_VISIBLE, area.left, area.top,
                            area.right - area.left, area.bottom - area.top, parent, nullptr,
                            GetModuleHandleW(nullptr), nullptr);
    return view_ ? S_OK : E_FAIL;
}

STDMETHODIMP BarControl::GetWindow(HWND* phwnd) {
    if (!phwnd) return E_POINTER;
    *phwnd = view_;
    return view_ ? S_OK : E_FAIL;
}

STDMETHODIMP BarControl::InPlaceDeactivate() {
    if (view_) DestroyWindow(view_);
    view_ = nullptr;
    return S_OK;
}

STDMETHODIMP BarControl::UIDeactivate() {
    return S_OK;
}

STDMETHODIMP BarControl::SetObjectRects(LPCRECT position, LPCRECT) {
    if (!position) return E_INVALIDARG;
    if (view_)
        MoveWindow(view_, position->left, position->top, position->right - position->left,
                   position->bottom - position->top, TRUE);
    return S_OK;
}

STDMETHODIMP BarControl::EnumConnectionPoints(IEnumConnectionPoints** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP BarControl::FindConnectionPoint(REFIID riid, IConnectionPoint** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(riid, DIID_DWebBrowserEvents2)) return CONNECT_E_NOCONNECTION;
    return events_.CopyTo(out);
}

// --- registration on the thread ---

HRESULT registerBarControlClass() {
    thread_local DWORD cookie = 0;
    if (cookie) return S_OK;
    ComPtr<BarControlFactory> factory;
    factory.Attach(BarControlFactory::create());
    if (!factory) return E_OUTOFMEMORY;
    return CoRegisterClassObject(CLSID_WebBrowser, static_cast<IClassFactory*>(factory.Get()),
                                 CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
}

ScopedBarControlContext::ScopedBarControlContext(BarControlContext* context)
    : previous_(currentContext) {
    currentContext = context;
}

ScopedBarControlContext::~ScopedBarControlContext() {
    currentContext = previous_;
}

}  // namespace tb::host
