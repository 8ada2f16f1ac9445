// The browser object of a host window, as the plug-ins see it: IWebBrowser2
// (with IWebBrowserApp, IWebBrowser and IDispatch), the connection point
// for DWebBrowserEvents2, and the service provider that leads a band to it.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <ocidl.h>
#include <servprov.h>
#include <wrl/client.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "common/com_object.h"
#include "tools/browser_host/com_stubs.h"
#include "tools/browser_host/navigator.h"

namespace tb::host {

// What the browser object asks of its window.
class BrowserFrame {
  public:
    virtual ~BrowserFrame() = default;
    virtual Navigator& navigator() = 0;
    virtual void record(const std::string& call,
                        const std::vector<std::pair<std::string, std::string>>& fields) = 0;
    virtual HWND hwnd() const = 0;
    virtual bool menuBar() const = 0;
    virtual void setMenuBar(bool shown) = 0;
    virtual void quit() = 0;
    virtual HRESULT showBrowserBar(const std::wstring& clsid, bool show) = 0;
};

class EventConnection : public ComObject<EventConnection, IConnectionPoint> {
  public:
    explicit EventConnection(IConnectionPointContainer* container) : container_(container) {}

    STDMETHODIMP GetConnectionInterface(IID* iid) override;
    STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override;
    STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override;
    STDMETHODIMP Unadvise(DWORD cookie) override;
    STDMETHODIMP EnumConnections(IEnumConnections** out) override;

    // Sinks advised from now on are named so in the output ("helper",
    // "band"), each with its cookie; others are "sink".
    void nameNextSinks(std::string name) { nextName_ = std::move(name); }
    // Invokes the event on every sink; the first failure's status (the
    // exception code of a failed member), else S_OK. `each` gets every
    // sink's own status, "name#cookie=0x...", separated by commas.
    HRESULT raise(DISPID id, DISPPARAMS& params, std::string* each = nullptr);
    void clear();
    void forgetContainer() { container_ = nullptr; }

  private:
    IConnectionPointContainer* container_;  // the browser, which owns this
    std::map<DWORD, Microsoft::WRL::ComPtr<IDispatch>> sinks_;
    std::map<DWORD, std::string> names_;
    std::string nextName_ = "sink";
    DWORD nextCookie_ = 1;
};

// The document object of a loaded document, made again only when the
// document changes, so that a plug-in sees one object per page.
class DocumentHolder {
  public:
    HRESULT get(const std::shared_ptr<LoadedDocument>& loaded, IDispatch** out);

  private:
    std::shared_ptr<LoadedDocument> shown_;
    Microsoft::WRL::ComPtr<IDispatch> object_;
};

// The browser object of one frame of the window's document: the pDisp of
// the frame's events, with the frame's own document and address.
class WindowFrame : public ComObject<WindowFrame, IWebBrowser2Stubs> {
  public:
    WindowFrame(BrowserFrame* window, uint32_t id) : window_(window), id_(id) {}
    void* queryAlias(REFIID riid);
    void detach() { window_ = nullptr; }
    IDispatch* dispatch() { return static_cast<IWebBrowser2*>(this); }

    STDMETHODIMP Navigate(BSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                          VARIANT* Headers) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP get_Document(IDispatch** ppDisp) override;
    STDMETHODIMP get_TopLevelContainer(VARIANT_BOOL* pBool) override;
    STDMETHODIMP get_LocationURL(BSTR* LocationURL) override;
    STDMETHODIMP get_ReadyState(READYSTATE* plReadyState) override;

  private:
    BrowserFrame* window_;
    uint32_t id_;
    DocumentHolder document_;
};

class WebBrowser
    : public ComObject<WebBrowser, IWebBrowser2Stubs, IConnectionPointContainer, IServiceProvider> {
  public:
    explicit WebBrowser(BrowserFrame* frame);
    ~WebBrowser() override;
    void* queryAlias(REFIID riid);

    EventConnection& events() { return *events_.Get(); }
    IDispatch* dispatch() { return static_cast<IWebBrowser2*>(this); }
    // The window is gone: every call from now on fails.
    void detach();

    // IDispatch, through the system's type information of IWebBrowser2
    STDMETHODIMP GetTypeInfoCount(UINT* count) override;
    STDMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
    STDMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid,
                               DISPID* ids) override;
    STDMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                        VARIANT* result, EXCEPINFO* excep, UINT* argErr) override;

    // IWebBrowser
    STDMETHODIMP Navigate(BSTR URL, VARIANT* Flags, VARIANT* TargetFrameName, VARIANT* PostData,
                          VARIANT* Headers) override;
    STDMETHODIMP Refresh() override;
    STDMETHODIMP Refresh2(VARIANT* Level) override;
    STDMETHODIMP Stop() override;
    STDMETHODIMP get_Application(IDispatch** ppDisp) override;
    STDMETHODIMP get_Parent(IDispatch** ppDisp) override;
    STDMETHODIMP get_Document(IDispatch** ppDisp) override;
    STDMETHODIMP get_TopLevelContainer(VARIANT_BOOL* pBool) override;
    STDMETHODIMP get_Type(BSTR* Type) override;
    STDMETHODIMP get_LocationName(BSTR* LocationName) override;
    STDMETHODIMP get_LocationURL(BSTR* LocationURL) override;
    STDMETHODIMP get_Busy(VARIANT_BOOL* pBool) override;
    // IWebBrowserApp
    STDMETHODIMP Quit() override;
    STDMETHODIMP PutProperty(BSTR Property, VARIANT vtValue) override;
    STDMETHODIMP GetProperty(BSTR Property, VARIANT* pvtValue) override;
    STDMETHODIMP get_Name(BSTR* Name) override;
    STDMETHODIMP get_HWND(SHANDLE_PTR* pHWND) override;
    STDMETHODIMP get_Visible(VARIANT_BOOL* pBool) override;
    STDMETHODIMP put_Visible(VARIANT_BOOL Value) override;
    STDMETHODIMP get_StatusBar(VARIANT_BOOL* pBool) override;
    STDMETHODIMP put_StatusBar(VARIANT_BOOL Value) override;
    STDMETHODIMP put_StatusText(BSTR StatusText) override;
    STDMETHODIMP get_ToolBar(int* Value) override;
    STDMETHODIMP put_ToolBar(int Value) override;
    STDMETHODIMP get_MenuBar(VARIANT_BOOL* Value) override;
    STDMETHODIMP put_MenuBar(VARIANT_BOOL Value) override;
    // IWebBrowser2
    STDMETHODIMP Navigate2(VARIANT* URL, VARIANT* Flags, VARIANT* TargetFrameName,
                           VARIANT* PostData, VARIANT* Headers) override;
    STDMETHODIMP ShowBrowserBar(VARIANT* pvaClsid, VARIANT* pvarShow, VARIANT* pvarSize) override;
    STDMETHODIMP get_ReadyState(READYSTATE* plReadyState) override;
    STDMETHODIMP get_Silent(VARIANT_BOOL* pbSilent) override;
    STDMETHODIMP put_Silent(VARIANT_BOOL bSilent) override;

    // IConnectionPointContainer
    STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints** out) override;
    STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** out) override;

    // IServiceProvider: the top-level browser for SID_SWebBrowserApp and
    // its kin.
    STDMETHODIMP QueryService(REFGUID service, REFIID riid, void** ppv) override;

  private:
    HRESULT navigateTo(const std::wstring& url, VARIANT* flags, VARIANT* headers);

    BrowserFrame* frame_;
    Microsoft::WRL::ComPtr<EventConnection> events_;
    DocumentHolder document_;
    std::map<std::wstring, VARIANT> properties_;
    bool visible_ = true;
    bool statusBar_ = true;
    int toolBar_ = 1;
    bool silent_ = false;
};

}  // namespace tb::host
