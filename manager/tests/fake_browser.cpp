// A recording stand-in for the web browser control, registered under the
// control's class in the window tests' own prefix. It records Navigate and
// Stop (with their arguments) to the file named by TB_FAKE_BROWSER_LOG and
// completes every navigation with NavigateComplete2 from its window, as the
// control does; an address containing "#redirect=" completes with what
// follows it.
#include <windows.h>
#include <ocidl.h>
#include <olectl.h>
#include <oleidl.h>

#include <fstream>
#include <string>
#include <vector>

#include "common/com_convert.h"
#include "common/com_object.h"
#include "manager/tests/call_text.h"

namespace {

using tb::ComObject;

const CLSID kWebBrowser = {
    0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
const IID kBrowserEvents = {
    0x34A715A0, 0x6587, 0x11D0, {0x92, 0x4A, 0x00, 0x20, 0xAF, 0xC7, 0xAC, 0x4D}};
constexpr UINT kComplete = WM_APP + 1;
constexpr char kClass[] = "TamberlyFakeBrowser";
HMODULE module = nullptr;

void record(const std::string& line) {
    char path[MAX_PATH] = "";
    if (!GetEnvironmentVariableA("TB_FAKE_BROWSER_LOG", path, MAX_PATH)) return;
    std::ofstream out(path, std::ios::binary | std::ios::app);
    out << line << "\r\n";
}

bool emptyByRef(const VARIANT& v) {
    return V_VT(&v) == (VT_BYREF | VT_VARIANT) && V_VARIANTREF(&v) &&
           V_VT(V_VARIANTREF(&v)) == VT_EMPTY;
}

class FakeBrowser : public ComObject<FakeBrowser, IOleObject, IOleInPlaceObject, IDispatch,
                                     IConnectionPointContainer, IConnectionPoint> {
  public:
    ~FakeBrowser() override {
        if (window_) DestroyWindow(window_);
    }
    void* queryAlias(REFIID riid) {
        if (IsEqualIID(riid, IID_IOleWindow)) return static_cast<IOleInPlaceObject*>(this);
        return nullptr;
    }

    // IOleObject
    STDMETHODIMP SetClientSite(IOleClientSite* site) override {
        if (site) site->AddRef();
        if (site_) site_->Release();
        site_ = site;
        return S_OK;
    }
    STDMETHODIMP GetClientSite(IOleClientSite** site) override {
        if (!site) return E_POINTER;
        *site = site_;
        if (site_) site_->AddRef();
        return S_OK;
    }
    STDMETHODIMP SetHostNames(LPCOLESTR, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP Close(DWORD) override {
        if (window_) DestroyWindow(window_);
        window_ = nullptr;
        return S_OK;
    }
    STDMETHODIMP SetMoniker(DWORD, IMoniker*) override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** mk) override {
        if (mk) *mk = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP InitFromData(IDataObject*, BOOL, DWORD) override { return E_NOTIMPL; }
    STDMETHODIMP GetClipboardData(DWORD, IDataObject** data) override {
        if (data) *data = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP DoVerb(LONG verb, LPMSG, IOleClientSite*, LONG, HWND parent,
                        LPCRECT rect) override {
        if (verb != OLEIVERB_INPLACEACTIVATE || !parent || !rect) return E_NOTIMPL;
        window_ = CreateWindowExA(0, kClass, "fake browser", WS_CHILD | WS_VISIBLE, rect->left,
                                  rect->top, rect->right - rect->left, rect->bottom - rect->top,
                                  parent, nullptr, module, nullptr);
        if (!window_) return E_FAIL;
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        record("browser.InPlaceActivate()");
        return S_OK;
    }
    STDMETHODIMP EnumVerbs(IEnumOLEVERB** e) override {
        if (e) *e = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP Update() override { return S_OK; }
    STDMETHODIMP IsUpToDate() override { return S_OK; }
    STDMETHODIMP GetUserClassID(CLSID* clsid) override {
        if (!clsid) return E_POINTER;
        *clsid = kWebBrowser;
        return S_OK;
    }
    STDMETHODIMP GetUserType(DWORD, LPOLESTR* type) override {
        if (type) *type = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP SetExtent(DWORD, SIZEL*) override { return S_OK; }
    STDMETHODIMP GetExtent(DWORD, SIZEL*) override { return E_NOTIMPL; }
    STDMETHODIMP Advise(IAdviseSink*, DWORD* cookie) override {
        if (cookie) *cookie = 0;
        return E_NOTIMPL;
    }
    STDMETHODIMP EnumAdvise(IEnumSTATDATA** e) override {
        if (e) *e = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetMiscStatus(DWORD, DWORD* status) override {
        if (status) *status = 0;
        return S_OK;
    }
    STDMETHODIMP SetColorScheme(LOGPALETTE*) override { return E_NOTIMPL; }

    // IOleWindow, IOleInPlaceObject
    STDMETHODIMP GetWindow(HWND* hwnd) override {
        if (!hwnd) return E_POINTER;
        *hwnd = window_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
    STDMETHODIMP InPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP UIDeactivate() override { return S_OK; }
    STDMETHODIMP SetObjectRects(LPCRECT pos, LPCRECT) override {
        if (window_ && pos)
            MoveWindow(window_, pos->left, pos->top, pos->right - pos->left, pos->bottom - pos->top,
                       TRUE);
        return S_OK;
    }
    STDMETHODIMP ReactivateAndUndo() override { return E_NOTIMPL; }

    // IDispatch: Navigate (104) and Stop (106).
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
        if (id == 106) {
            record("browser.Stop()");
            return S_OK;
        }
        if (id != 104) return DISP_E_MEMBERNOTFOUND;
        if (!params || params->cArgs != 5 || V_VT(&params->rgvarg[4]) != VT_BSTR) {
            record("browser.Navigate(<bad arguments>)");
            return DISP_E_BADPARAMCOUNT;
        }
        const std::string url = tb::toAnsi(V_BSTR(&params->rgvarg[4]));
        bool allEmpty = true;
        for (int i = 0; i < 4; ++i) allEmpty = allEmpty && emptyByRef(params->rgvarg[i]);
        record("browser.Navigate(" + tb::test::quoted(url) +
               (allEmpty ? "" : ", <optional arguments set>") + ")");
        const size_t redirect = url.find("#redirect=");
        completions_.push_back(redirect == std::string::npos ? url : url.substr(redirect + 10));
        if (window_) PostMessageA(window_, kComplete, 0, 0);
        return S_OK;
    }

    // IConnectionPointContainer, IConnectionPoint (DWebBrowserEvents2 only)
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** e) override {
        if (e) *e = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** point) override {
        if (!point) return E_POINTER;
        *point = nullptr;
        if (!IsEqualIID(riid, kBrowserEvents)) return CONNECT_E_NOCONNECTION;
        *point = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP GetConnectionInterface(IID* iid) override {
        if (!iid) return E_POINTER;
        *iid = kBrowserEvents;
        return S_OK;
    }
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** c) override {
        if (!c) return E_POINTER;
        *c = this;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
        if (!sink || !cookie) return E_POINTER;
        IDispatch* events = nullptr;
        if (FAILED(sink->QueryInterface(kBrowserEvents, reinterpret_cast<void**>(&events)))) {
            return CONNECT_E_CANNOTCONNECT;
        }
        if (sink_) sink_->Release();
        sink_ = events;
        *cookie = 1;
        return S_OK;
    }
    // Serves IConnectionPoint (and IOleObject, which nobody advises).
    STDMETHODIMP Unadvise(DWORD) override {
        if (sink_) sink_->Release();
        sink_ = nullptr;
        return S_OK;
    }
    STDMETHODIMP EnumConnections(IEnumConnections** e) override {
        if (e) *e = nullptr;
        return E_NOTIMPL;
    }

    void completeOne() {
        if (completions_.empty()) return;
        const std::string url = completions_.front();
        completions_.erase(completions_.begin());
        if (!sink_) return;
        VARIANT address;
        VariantInit(&address);
        V_VT(&address) = VT_BSTR;
        V_BSTR(&address) = tb::newBstr(url);
        VARIANT args[2];
        V_VT(&args[0]) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&args[0]) = &address;
        V_VT(&args[1]) = VT_DISPATCH;
        V_DISPATCH(&args[1]) = static_cast<IDispatch*>(this);
        DISPPARAMS params{args, nullptr, 2, 0};
        sink_->Invoke(252, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr);
        VariantClear(&address);
    }

  private:
    IOleClientSite* site_ = nullptr;
    IDispatch* sink_ = nullptr;
    HWND window_ = nullptr;
    std::vector<std::string> completions_;
};

LRESULT CALLBACK browserWindow(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kComplete) {
        auto* browser = reinterpret_cast<FakeBrowser*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (browser) browser->completeOne();
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class Factory : public ComObject<Factory, IClassFactory> {
  public:
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return FakeBrowser::createInstance(riid, ppv);
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        module = instance;
        WNDCLASSA wc{};
        wc.lpfnWndProc = browserWindow;
        wc.hInstance = instance;
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kClass;
        RegisterClassA(&wc);
    }
    return TRUE;
}

extern "C" HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(clsid, kWebBrowser)) return CLASS_E_CLASSNOTAVAILABLE;
    return Factory::createInstance(riid, ppv);
}

extern "C" HRESULT WINAPI DllCanUnloadNow() {
    return S_FALSE;
}
