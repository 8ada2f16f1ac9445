#include "common/in_place_control.h"

#include <ocidl.h>

#include "common/com_object.h"

namespace tb {

using Microsoft::WRL::ComPtr;

namespace {

class ControlSite
    : public ComObject<ControlSite, IOleClientSite, IOleInPlaceSite, IOleInPlaceFrame> {
  public:
    explicit ControlSite(HWND host) : host_(host) {}

    void* queryAlias(REFIID riid) {
        if (IsEqualIID(riid, IID_IOleWindow)) return static_cast<IOleInPlaceSite*>(this);
        if (IsEqualIID(riid, IID_IOleInPlaceUIWindow)) return static_cast<IOleInPlaceFrame*>(this);
        return nullptr;
    }

    // IOleClientSite
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
        if (moniker) *moniker = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** container) override {
        if (container) *container = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow
    STDMETHODIMP GetWindow(HWND* window) override {
        if (!window) return E_POINTER;
        *window = host_;
        return S_OK;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document,
                                  LPRECT position, LPRECT clip,
                                  LPOLEINPLACEFRAMEINFO info) override {
        if (!frame || !document || !position || !clip) return E_POINTER;
        *frame = this;
        AddRef();
        *document = nullptr;
        GetClientRect(host_, position);
        *clip = *position;
        if (info) {
            info->fMDIApp = FALSE;
            info->hwndFrame = GetAncestor(host_, GA_ROOT);
            info->haccel = nullptr;
            info->cAccelEntries = 0;
        }
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
    STDMETHODIMP DiscardUndoState() override { return S_OK; }
    STDMETHODIMP DeactivateAndUndo() override { return S_OK; }
    STDMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

    // IOleInPlaceUIWindow, IOleInPlaceFrame
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return S_OK; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return S_OK; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

  private:
    HWND host_;
};

}  // namespace

HRESULT InPlaceControl::create(REFCLSID clsid, HWND host) {
    close();
    HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&object_));
    if (SUCCEEDED(hr)) {
        site_.Attach(ControlSite::create(host));
        hr = site_ ? object_->SetClientSite(site_.Get()) : E_OUTOFMEMORY;
    }
    if (SUCCEEDED(hr)) {
        ComPtr<IPersistStreamInit> persist;
        if (SUCCEEDED(object_.As(&persist))) persist->InitNew();
        RECT area = {};
        GetClientRect(host, &area);
        hr = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, host, &area);
    }
    if (FAILED(hr)) close();
    return hr;
}

void InPlaceControl::resize(int width, int height) {
    ComPtr<IOleInPlaceObject> inPlace;
    if (!object_ || FAILED(object_.As(&inPlace))) return;
    const RECT area = {0, 0, width, height};
    inPlace->SetObjectRects(&area, &area);
}

void InPlaceControl::close() {
    if (object_) {
        object_->Close(OLECLOSE_NOSAVE);
        object_->SetClientSite(nullptr);
    }
    object_.Reset();
    site_.Reset();
}

}  // namespace tb
