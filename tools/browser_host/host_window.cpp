#include "tools/browser_host/host_window.h"

#include <exdispid.h>
#include <oleauto.h>

#include <cstdio>
#include <mutex>

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "common/registry_win32.h"
#include "tools/browser_host/script.h"

namespace tb::host {

using Microsoft::WRL::ComPtr;

namespace {

constexpr wchar_t kFrameClass[] = L"TamberlyHostFrame";
constexpr wchar_t kHelpersKey[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";

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

void registerFrameClass() {
    static std::once_flag once;
    std::call_once(once, [] {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = HostWindow::frameProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kFrameClass;
        RegisterClassW(&wc);
    });
}

VARIANTARG byRef(VARIANT* target) {
    VARIANTARG arg;
    VariantInit(&arg);
    V_VT(&arg) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(&arg) = target;
    return arg;
}

VARIANTARG i4(int32_t value) {
    VARIANTARG arg;
    VariantInit(&arg);
    V_VT(&arg) = VT_I4;
    V_I4(&arg) = value;
    return arg;
}

void setText(ScopedVariant& v, const std::string& text) {
    V_VT(v.get()) = VT_BSTR;
    V_BSTR(v.get()) = newBstr(text);
}

}  // namespace

LRESULT CALLBACK HostWindow::frameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CONTEXTMENU) {
        auto* window = reinterpret_cast<HostWindow*>(GetWindowLongPtrW(frame, GWLP_USERDATA));
        if (window) {
            window->out_.line(outputLine("window", window->name_, {{"event", "contextmenu"}}));
            return 0;
        }
    }
    return DefWindowProcW(frame, message, wParam, lParam);
}

HostWindow::HostWindow(std::string name, WindowOptions options, const PageSource& pages,
                       Output& out)
    : name_(std::move(name)), options_(options), out_(out), navigator_(name_, *this, pages, out) {
    bars_.enable(options_.bands);
    bars_.attach(name_, pages, out_, options_.trace);
}

HostWindow::~HostWindow() {
    close();
}

bool HostWindow::open() {
    registerFrameClass();
    const std::wstring title = toWide(name_);
    frame_ = CreateWindowExW(0, kFrameClass, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                             CW_USEDEFAULT, 800, 600, nullptr, nullptr, GetModuleHandleW(nullptr),
                             nullptr);
    if (!frame_) return false;
    SetWindowLongPtrW(frame_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    browser_.Attach(WebBrowser::create(static_cast<BrowserFrame*>(this)));
    if (!browser_) return false;

    const std::vector<CLSID> clsids = options_.helpers ? *options_.helpers : registeredHelpers();
    for (const CLSID& clsid : clsids) {
        ComPtr<IObjectWithSite> helper;
        HRESULT hr =
            CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IObjectWithSite, &helper);
        browser_->events().nameNextSinks("helper");
        if (SUCCEEDED(hr)) hr = helper->SetSite(static_cast<IWebBrowser2*>(browser_.Get()));
        browser_->events().nameNextSinks("sink");
        out_.line(outputLine("helper", name_, {{"clsid", clsidText(clsid)}, {"hr", hex(hr)}}));
        if (helper) helpers_.push_back(std::move(helper));
    }
    out_.line(outputLine("window", name_,
                         {{"event", "opened"},
                          {"menubar", options_.menuBar ? "1" : "0"},
                          {"helpers", std::to_string(helpers_.size())}}));
    return true;
}

std::vector<CLSID> HostWindow::registeredHelpers() const {
    std::vector<CLSID> out;
    RegKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kHelpersKey, 0, KEY_READ, key.receive()) != ERROR_SUCCESS)
        return out;
    for (DWORD i = 0;; ++i) {
        wchar_t name[64];
        DWORD length = 64;
        const LONG rc =
            RegEnumKeyExW(key.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) continue;
        CLSID clsid;
        if (SUCCEEDED(CLSIDFromString(name, &clsid))) out.push_back(clsid);
    }
    return out;
}

void HostWindow::close() {
    if (closed_) return;
    closed_ = true;
    if (browser_) {
        raise(DISPID_ONQUIT, "OnQuit", nullptr, 0);
        bars_.closeAll();
        for (const ComPtr<IObjectWithSite>& helper : helpers_) helper->SetSite(nullptr);
        browser_->events().clear();
        helpers_.clear();
        browser_->detach();
        browser_.Reset();
        for (auto& [id, object] : frames_) object->detach();
        frames_.clear();
    }
    if (frame_) {
        SetWindowLongPtrW(frame_, GWLP_USERDATA, 0);
        DestroyWindow(frame_);
    }
    frame_ = nullptr;
    out_.line(outputLine("window", name_, {{"event", "closed"}}));
}

void HostWindow::closeIfQuit() {
    if (navigator_.closeRequested()) close();
}

void HostWindow::record(const std::string& call,
                        const std::vector<std::pair<std::string, std::string>>& fields) {
    std::vector<std::pair<std::string, std::string>> all = {{"call", call}};
    all.insert(all.end(), fields.begin(), fields.end());
    out_.line(outputLine("browser", name_, all));
}

void HostWindow::setMenuBar(bool shown) {
    options_.menuBar = shown;
    VARIANTARG arg;
    VariantInit(&arg);
    V_VT(&arg) = VT_BOOL;
    V_BOOL(&arg) = shown ? VARIANT_TRUE : VARIANT_FALSE;
    raise(DISPID_ONMENUBAR, "OnMenuBar", &arg, 1);
}

HRESULT HostWindow::showBrowserBar(const std::wstring& clsid, bool show) {
    browser_->events().nameNextSinks("band");
    const HRESULT hr =
        bars_.show(clsid, show, frame_, static_cast<IServiceProvider*>(browser_.Get()));
    browser_->events().nameNextSinks("sink");
    if (FAILED(hr))
        out_.line(outputLine("bar", name_,
                             {{"clsid", toAnsi(clsid.c_str(), clsid.size())}, {"hr", hex(hr)}}));
    return hr;
}

void HostWindow::rightClick() {
    if (!frame_) return;
    SendMessageW(frame_, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(20, 20));
    SendMessageW(frame_, WM_RBUTTONUP, 0, MAKELPARAM(20, 20));
}

// Each sink's own result goes with the first failure, so that one plug-in's
// E_NOTIMPL does not hide another's answer; only with more than one sink.
HRESULT HostWindow::raise(DISPID id, const char* event, VARIANTARG* args, UINT count,
                          std::vector<std::pair<std::string, std::string>> fields,
                          std::string* sinks) {
    if (!browser_) return E_UNEXPECTED;
    DISPPARAMS params = {args, nullptr, count, 0};
    std::string each;
    const HRESULT hr = browser_->events().raise(id, params, &each);
    if (each.find(',') == std::string::npos) each.clear();
    if (sinks) *sinks = each;
    if (options_.trace) {
        fields.insert(fields.begin(), {"event", event});
        fields.emplace_back("hr", hex(hr));
        if (!each.empty()) fields.emplace_back("sinks", each);
        out_.line(outputLine("event", name_, fields));
    }
    return hr;
}

IDispatch* HostWindow::source(uint32_t frame) {
    if (!browser_) return nullptr;
    if (frame == 0) return browser_->dispatch();
    ComPtr<WindowFrame>& object = frames_[frame];
    if (!object) object.Attach(WindowFrame::create(static_cast<BrowserFrame*>(this), frame));
    return object->dispatch();
}

HRESULT HostWindow::raiseWithUrl(DISPID id, const char* event, uint32_t frame,
                                 const std::string& url) {
    ScopedVariant address;
    setText(address, url);
    VARIANTARG args[2];
    VariantInit(&args[1]);
    V_VT(&args[1]) = VT_DISPATCH;
    V_DISPATCH(&args[1]) = source(frame);
    args[0] = byRef(address.get());
    std::vector<std::pair<std::string, std::string>> fields = {{"url", url}};
    if (frame) fields.emplace_back("frame", std::to_string(frame));
    return raise(id, event, args, 2, std::move(fields));
}

// The arguments as the browser passes them, last to first: the browser
// object, then URL, Flags, TargetFrameName, PostData and Headers each as a
// VARIANT by reference, then Cancel as a VARIANT_BOOL by reference. As the
// browser control does: no target frame and no headers are null BSTRs, and
// PostData refers on to an empty VARIANT.
WindowEvents::Verdict HostWindow::beforeNavigate2(uint32_t frame, const std::string& url,
                                                  int32_t flags) {
    ScopedVariant address, flagValue, frameName, postData, headers;
    setText(address, url);
    V_VT(flagValue.get()) = VT_I4;
    V_I4(flagValue.get()) = flags;
    V_VT(frameName.get()) = VT_BSTR;
    V_BSTR(frameName.get()) = nullptr;
    V_VT(headers.get()) = VT_BSTR;
    V_BSTR(headers.get()) = nullptr;
    VARIANT noPostData;
    VariantInit(&noPostData);
    V_VT(postData.get()) = VT_VARIANT | VT_BYREF;
    V_VARIANTREF(postData.get()) = &noPostData;
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANTARG args[7];
    VariantInit(&args[6]);
    V_VT(&args[6]) = VT_DISPATCH;
    V_DISPATCH(&args[6]) = source(frame);
    args[5] = byRef(address.get());
    args[4] = byRef(flagValue.get());
    args[3] = byRef(frameName.get());
    args[2] = byRef(postData.get());
    args[1] = byRef(headers.get());
    VariantInit(&args[0]);
    V_VT(&args[0]) = VT_BOOL | VT_BYREF;
    V_BOOLREF(&args[0]) = &cancel;
    std::string sinks;
    std::vector<std::pair<std::string, std::string>> fields = {{"url", url}};
    if (frame) fields.emplace_back("frame", std::to_string(frame));
    const HRESULT hr =
        raise(DISPID_BEFORENAVIGATE2, "BeforeNavigate2", args, 7, std::move(fields), &sinks);
    return Verdict{cancel != VARIANT_FALSE, static_cast<int32_t>(hr), sinks};
}

void HostWindow::downloadBegin() {
    raise(DISPID_DOWNLOADBEGIN, "DownloadBegin", nullptr, 0);
}

void HostWindow::navigateComplete2(uint32_t frame, const std::string& url) {
    raiseWithUrl(DISPID_NAVIGATECOMPLETE2, "NavigateComplete2", frame, url);
}

void HostWindow::progressChange(int32_t progress, int32_t progressMax) {
    VARIANTARG args[2] = {i4(progressMax), i4(progress)};
    raise(DISPID_PROGRESSCHANGE, "ProgressChange", args, 2,
          {{"progress", std::to_string(progress)}, {"max", std::to_string(progressMax)}});
}

void HostWindow::titleChange(const std::string& title) {
    ScopedVariant text;
    setText(text, title);
    VARIANTARG arg = *text.get();  // borrowed: the holder frees it
    raise(DISPID_TITLECHANGE, "TitleChange", &arg, 1, {{"title", title}});
}

void HostWindow::documentComplete(uint32_t frame, const std::string& url) {
    raiseWithUrl(DISPID_DOCUMENTCOMPLETE, "DocumentComplete", frame, url);
}

void HostWindow::downloadComplete() {
    raise(DISPID_DOWNLOADCOMPLETE, "DownloadComplete", nullptr, 0);
}

}  // namespace tb::host
