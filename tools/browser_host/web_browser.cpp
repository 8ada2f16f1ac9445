#include "tools/browser_host/web_browser.h"

#include <cstdio>

#include <exdispid.h>
#include <oleauto.h>
#include <shlguid.h>

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "tools/browser_host/html_document.h"

namespace tb::host {

using Microsoft::WRL::ComPtr;

namespace {

HRESULT boolOut(bool value, VARIANT_BOOL* out) {
    if (!out) return E_POINTER;
    *out = value ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
}

HRESULT textOut(const std::string& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = newBstr(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

// The text of a VARIANT argument, by reference or not; empty when absent.
std::optional<std::wstring> textOf(VARIANT* v) {
    if (!v) return std::nullopt;
    ScopedVariant copy;
    if (FAILED(VariantCopyInd(copy.get(), v)) || V_VT(copy.get()) == VT_EMPTY ||
        V_VT(copy.get()) == VT_NULL)
        return std::nullopt;
    if (FAILED(VariantChangeType(copy.get(), copy.get(), 0, VT_BSTR))) return std::nullopt;
    const BSTR b = V_BSTR(copy.get());
    return std::wstring(b ? b : L"", b ? SysStringLen(b) : 0);
}

std::optional<long> numberOf(VARIANT* v) {
    if (!v) return std::nullopt;
    ScopedVariant copy;
    if (FAILED(VariantCopyInd(copy.get(), v)) || V_VT(copy.get()) == VT_EMPTY) return std::nullopt;
    if (FAILED(VariantChangeType(copy.get(), copy.get(), 0, VT_I4))) return std::nullopt;
    return V_I4(copy.get());
}

// IWebBrowser2's type information from the system's type library, if any.
ComPtr<ITypeInfo> browserTypeInfo() {
    static ComPtr<ITypeInfo> info = [] {
        ComPtr<ITypeLib> lib;
        ComPtr<ITypeInfo> found;
        if (SUCCEEDED(LoadRegTypeLib(LIBID_SHDocVw, 1, 1, LOCALE_NEUTRAL, &lib)) && lib) {
            lib->GetTypeInfoOfGuid(IID_IWebBrowser2, &found);
        }
        return found;
    }();
    return info;
}

}  // namespace

// --- EventConnection ---

STDMETHODIMP EventConnection::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = DIID_DWebBrowserEvents2;
    return S_OK;
}

STDMETHODIMP EventConnection::GetConnectionPointContainer(IConnectionPointContainer** out) {
    if (!out) return E_POINTER;
    *out = container_;
    if (!container_) return E_UNEXPECTED;
    container_->AddRef();
    return S_OK;
}

// Sinks are asked for the event interface first, then for IDispatch.
STDMETHODIMP EventConnection::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    ComPtr<IDispatch> dispatch;
    if (FAILED(sink->QueryInterface(DIID_DWebBrowserEvents2,
                                    reinterpret_cast<void**>(dispatch.GetAddressOf()))) ||
        !dispatch) {
        if (FAILED(sink->QueryInterface(IID_IDispatch, &dispatch)) || !dispatch)
            return CONNECT_E_CANNOTCONNECT;
    }
    *cookie = nextCookie_++;
    sinks_[*cookie] = std::move(dispatch);
    names_[*cookie] = nextName_ + "#" + std::to_string(*cookie);
    return S_OK;
}

STDMETHODIMP EventConnection::Unadvise(DWORD cookie) {
    names_.erase(cookie);
    return sinks_.erase(cookie) ? S_OK : CONNECT_E_NOCONNECTION;
}

STDMETHODIMP EventConnection::EnumConnections(IEnumConnections** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

HRESULT EventConnection::raise(DISPID id, DISPPARAMS& params, std::string* each) {
    std::vector<std::pair<std::string, ComPtr<IDispatch>>> sinks;
    for (const auto& [cookie, sink] : sinks_) sinks.emplace_back(names_[cookie], sink);
    HRESULT first = S_OK;
    if (each) each->clear();
    for (const auto& [name, sink] : sinks) {
        EXCEPINFO excep = {};
        UINT argErr = 0;
        ScopedVariant result;
        HRESULT hr = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                  result.get(), &excep, &argErr);
        if (hr == DISP_E_EXCEPTION) {
            if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
            hr = excep.scode ? excep.scode : E_FAIL;
        }
        SysFreeString(excep.bstrSource);
        SysFreeString(excep.bstrDescription);
        SysFreeString(excep.bstrHelpFile);
        if (FAILED(hr) && SUCCEEDED(first)) first = hr;
        if (each) {
            char status[16];
            std::snprintf(status, sizeof status, "0x%08x", static_cast<unsigned>(hr));
            *each += (each->empty() ? "" : ",") + name + "=" + status;
        }
    }
    return first;
}

void EventConnection::clear() {
    sinks_.clear();
    names_.clear();
}

// --- WebBrowser ---

WebBrowser::WebBrowser(BrowserFrame* frame) : frame_(frame) {
    events_.Attach(EventConnection::create(static_cast<IConnectionPointContainer*>(this)));
}

WebBrowser::~WebBrowser() {
    for (auto& [name, value] : properties_) VariantClear(&value);
    if (events_) events_->forgetContainer();
}

void* WebBrowser::queryAlias(REFIID riid) {
    if (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IWebBrowser) ||
        IsEqualIID(riid, IID_IWebBrowserApp)) {
        return static_cast<IWebBrowser2*>(this);
    }
    return nullptr;
}

void WebBrowser::detach() {
    frame_ = nullptr;
    if (events_) events_->clear();
    document_ = DocumentHolder();
}

STDMETHODIMP WebBrowser::GetTypeInfoCount(UINT* count) {
    if (!count) return E_POINTER;
    *count = browserTypeInfo() ? 1 : 0;
    return S_OK;
}

STDMETHODIMP WebBrowser::GetTypeInfo(UINT index, LCID, ITypeInfo** info) {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    ComPtr<ITypeInfo> t = browserTypeInfo();
    return t ? t.CopyTo(info) : E_NOTIMPL;
}

STDMETHODIMP WebBrowser::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
    ComPtr<ITypeInfo> t = browserTypeInfo();
    return t ? t->GetIDsOfNames(names, count, ids) : E_NOTIMPL;
}

STDMETHODIMP WebBrowser::Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params,
                                VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    ComPtr<ITypeInfo> t = browserTypeInfo();
    if (!t) return DISP_E_MEMBERNOTFOUND;
    return t->Invoke(static_cast<IWebBrowser2*>(this), id, flags, params, result, excep, argErr);
}

HRESULT WebBrowser::navigateTo(const std::wstring& url, VARIANT* flags, VARIANT* headers) {
    if (!frame_) return E_UNEXPECTED;
    const std::string text = toAnsi(url.c_str(), url.size());
    const long flagValue = numberOf(flags).value_or(0);
    std::vector<std::pair<std::string, std::string>> fields = {{"url", text}};
    if (flags && V_VT(flags) != VT_EMPTY) fields.emplace_back("flags", std::to_string(flagValue));
    if (const std::optional<std::wstring> extra = textOf(headers); extra && !extra->empty())
        fields.emplace_back("headers", toAnsi(extra->c_str(), extra->size()));
    frame_->record("Navigate", fields);
    return frame_->navigator().navigate(text, static_cast<int32_t>(flagValue)) ? S_OK : E_FAIL;
}

STDMETHODIMP WebBrowser::Navigate(BSTR URL, VARIANT* Flags, VARIANT*, VARIANT*, VARIANT* Headers) {
    if (!URL) return E_INVALIDARG;
    return navigateTo(std::wstring(URL, SysStringLen(URL)), Flags, Headers);
}

STDMETHODIMP WebBrowser::Navigate2(VARIANT* URL, VARIANT* Flags, VARIANT*, VARIANT*,
                                   VARIANT* Headers) {
    const std::optional<std::wstring> url = textOf(URL);
    if (!url) return E_INVALIDARG;
    return navigateTo(*url, Flags, Headers);
}

// From inside an event, while a load runs, there is nothing to reload yet.
STDMETHODIMP WebBrowser::Refresh() {
    if (!frame_) return E_UNEXPECTED;
    frame_->record("Refresh", {});
    frame_->navigator().refresh(3);
    return S_OK;
}

STDMETHODIMP WebBrowser::Refresh2(VARIANT*) {
    return Refresh();
}

STDMETHODIMP WebBrowser::Stop() {
    if (!frame_) return E_UNEXPECTED;
    frame_->record("Stop", {});
    frame_->navigator().stop();
    return S_OK;
}

STDMETHODIMP WebBrowser::Quit() {
    if (!frame_) return E_UNEXPECTED;
    frame_->record("Quit", {});
    frame_->quit();
    return S_OK;
}

STDMETHODIMP WebBrowser::get_Application(IDispatch** ppDisp) {
    if (!ppDisp) return E_POINTER;
    *ppDisp = dispatch();
    AddRef();
    return S_OK;
}

STDMETHODIMP WebBrowser::get_Parent(IDispatch** ppDisp) {
    return get_Application(ppDisp);
}

STDMETHODIMP WebBrowser::get_Document(IDispatch** ppDisp) {
    if (!ppDisp) return E_POINTER;
    *ppDisp = nullptr;
    if (!frame_) return E_UNEXPECTED;
    return document_.get(frame_->navigator().document(), ppDisp);
}

HRESULT DocumentHolder::get(const std::shared_ptr<LoadedDocument>& loaded, IDispatch** out) {
    if (!loaded) return S_FALSE;
    if (loaded != shown_) {
        object_.Reset();
        const HRESULT hr = HtmlDocument::createInstance(
            IID_IDispatch, reinterpret_cast<void**>(object_.GetAddressOf()), loaded);
        if (FAILED(hr)) return hr;
        shown_ = loaded;
    }
    return object_.CopyTo(out);
}

void* WindowFrame::queryAlias(REFIID riid) {
    if (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IWebBrowser) ||
        IsEqualIID(riid, IID_IWebBrowserApp))
        return static_cast<IWebBrowser2*>(this);
    return nullptr;
}

STDMETHODIMP WindowFrame::Navigate(BSTR URL, VARIANT* Flags, VARIANT*, VARIANT*, VARIANT*) {
    if (!URL) return E_INVALIDARG;
    if (!window_) return E_UNEXPECTED;
    const std::string text = toAnsi(URL, SysStringLen(URL));
    window_->record("Navigate", {{"url", text}, {"frame", std::to_string(id_)}});
    const long flags = numberOf(Flags).value_or(0);
    return window_->navigator().navigateFrame(id_, text, static_cast<int32_t>(flags)) ? S_OK
                                                                                      : E_FAIL;
}

// A frame arrives whole, so there is nothing of its own to stop; the
// window's load stops, as the browser's Stop button would.
STDMETHODIMP WindowFrame::Stop() {
    if (!window_) return E_UNEXPECTED;
    window_->record("Stop", {{"frame", std::to_string(id_)}});
    window_->navigator().stop();
    return S_OK;
}

STDMETHODIMP WindowFrame::get_Document(IDispatch** ppDisp) {
    if (!ppDisp) return E_POINTER;
    *ppDisp = nullptr;
    if (!window_) return E_UNEXPECTED;
    return document_.get(window_->navigator().frameDocument(id_), ppDisp);
}

STDMETHODIMP WindowFrame::get_TopLevelContainer(VARIANT_BOOL* pBool) {
    return boolOut(false, pBool);
}

STDMETHODIMP WindowFrame::get_LocationURL(BSTR* LocationURL) {
    if (!window_) return E_UNEXPECTED;
    const std::shared_ptr<LoadedDocument> loaded = window_->navigator().frameDocument(id_);
    return textOut(loaded ? loaded->url : std::string(), LocationURL);
}

STDMETHODIMP WindowFrame::get_ReadyState(READYSTATE* plReadyState) {
    if (!plReadyState) return E_POINTER;
    if (!window_) return E_UNEXPECTED;
    const std::shared_ptr<LoadedDocument> loaded = window_->navigator().frameDocument(id_);
    *plReadyState = static_cast<READYSTATE>(loaded ? loaded->readyState : kUninitialized);
    return S_OK;
}

STDMETHODIMP WebBrowser::get_TopLevelContainer(VARIANT_BOOL* pBool) {
    return boolOut(true, pBool);
}

STDMETHODIMP WebBrowser::get_Type(BSTR* Type) {
    return textOut("HTML Document", Type);
}

STDMETHODIMP WebBrowser::get_LocationName(BSTR* LocationName) {
    if (!frame_) return E_UNEXPECTED;
    const std::shared_ptr<LoadedDocument> loaded = frame_->navigator().document();
    std::optional<std::string> title = loaded ? loaded->title() : std::nullopt;
    return textOut(title.value_or(frame_->navigator().locationUrl()), LocationName);
}

STDMETHODIMP WebBrowser::get_LocationURL(BSTR* LocationURL) {
    if (!frame_) return E_UNEXPECTED;
    return textOut(frame_->navigator().locationUrl(), LocationURL);
}

STDMETHODIMP WebBrowser::get_Busy(VARIANT_BOOL* pBool) {
    if (!frame_) return E_UNEXPECTED;
    return boolOut(frame_->navigator().busy(), pBool);
}

STDMETHODIMP WebBrowser::PutProperty(BSTR Property, VARIANT vtValue) {
    if (!Property) return E_INVALIDARG;
    VARIANT& slot = properties_[Property];
    VariantClear(&slot);
    return VariantCopy(&slot, &vtValue);
}

STDMETHODIMP WebBrowser::GetProperty(BSTR Property, VARIANT* pvtValue) {
    if (!pvtValue) return E_POINTER;
    VariantInit(pvtValue);
    if (!Property) return E_INVALIDARG;
    const auto it = properties_.find(Property);
    return it == properties_.end() ? S_OK : VariantCopy(pvtValue, &it->second);
}

STDMETHODIMP WebBrowser::get_Name(BSTR* Name) {
    return textOut("Internet Explorer", Name);
}

STDMETHODIMP WebBrowser::get_HWND(SHANDLE_PTR* pHWND) {
    if (!pHWND) return E_POINTER;
    *pHWND = 0;
    if (!frame_) return E_UNEXPECTED;
    *pHWND = reinterpret_cast<SHANDLE_PTR>(frame_->hwnd());
    return S_OK;
}

STDMETHODIMP WebBrowser::get_Visible(VARIANT_BOOL* pBool) {
    return boolOut(visible_, pBool);
}

STDMETHODIMP WebBrowser::put_Visible(VARIANT_BOOL Value) {
    visible_ = Value != VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP WebBrowser::get_StatusBar(VARIANT_BOOL* pBool) {
    return boolOut(statusBar_, pBool);
}

STDMETHODIMP WebBrowser::put_StatusBar(VARIANT_BOOL Value) {
    statusBar_ = Value != VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP WebBrowser::put_StatusText(BSTR) {
    return S_OK;
}

STDMETHODIMP WebBrowser::get_ToolBar(int* Value) {
    if (!Value) return E_POINTER;
    *Value = toolBar_;
    return S_OK;
}

STDMETHODIMP WebBrowser::put_ToolBar(int Value) {
    toolBar_ = Value;
    return S_OK;
}

STDMETHODIMP WebBrowser::get_MenuBar(VARIANT_BOOL* Value) {
    if (!frame_) return E_UNEXPECTED;
    return boolOut(frame_->menuBar(), Value);
}

STDMETHODIMP WebBrowser::put_MenuBar(VARIANT_BOOL Value) {
    if (!frame_) return E_UNEXPECTED;
    frame_->record("put_MenuBar", {{"value", Value ? "1" : "0"}});
    frame_->setMenuBar(Value != VARIANT_FALSE);
    return S_OK;
}

STDMETHODIMP WebBrowser::ShowBrowserBar(VARIANT* pvaClsid, VARIANT* pvarShow, VARIANT*) {
    if (!frame_) return E_UNEXPECTED;
    const std::optional<std::wstring> clsid = textOf(pvaClsid);
    if (!clsid) return E_INVALIDARG;
    bool show = true;
    if (pvarShow) {
        ScopedVariant copy;
        if (SUCCEEDED(VariantCopyInd(copy.get(), pvarShow)) && V_VT(copy.get()) != VT_EMPTY &&
            SUCCEEDED(VariantChangeType(copy.get(), copy.get(), 0, VT_BOOL))) {
            show = V_BOOL(copy.get()) != VARIANT_FALSE;
        }
    }
    frame_->record("ShowBrowserBar",
                   {{"clsid", toAnsi(clsid->c_str(), clsid->size())}, {"show", show ? "1" : "0"}});
    return frame_->showBrowserBar(*clsid, show);
}

STDMETHODIMP WebBrowser::get_ReadyState(READYSTATE* plReadyState) {
    if (!plReadyState) return E_POINTER;
    *plReadyState = READYSTATE_UNINITIALIZED;
    if (!frame_) return E_UNEXPECTED;
    *plReadyState = static_cast<READYSTATE>(frame_->navigator().readyState());
    return S_OK;
}

STDMETHODIMP WebBrowser::get_Silent(VARIANT_BOOL* pbSilent) {
    return boolOut(silent_, pbSilent);
}

STDMETHODIMP WebBrowser::put_Silent(VARIANT_BOOL bSilent) {
    silent_ = bSilent != VARIANT_FALSE;
    return S_OK;
}

STDMETHODIMP WebBrowser::EnumConnectionPoints(IEnumConnectionPoints** out) {
    if (out) *out = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP WebBrowser::FindConnectionPoint(REFIID riid, IConnectionPoint** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!IsEqualIID(riid, DIID_DWebBrowserEvents2)) return CONNECT_E_NOCONNECTION;
    return events_.CopyTo(out);
}

STDMETHODIMP WebBrowser::QueryService(REFGUID service, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (IsEqualGUID(service, SID_SWebBrowserApp) || IsEqualGUID(service, SID_STopLevelBrowser) ||
        IsEqualGUID(service, IID_IWebBrowser2)) {
        return QueryInterface(riid, ppv);
    }
    return E_NOINTERFACE;
}

}  // namespace tb::host
