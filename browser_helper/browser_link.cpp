#include "browser_helper/browser_link.h"

#include <mshtml.h>

#include "common/com_convert.h"
#include "common/com_holders.h"

namespace tb::helper {

using Microsoft::WRL::ComPtr;

namespace {

// A present text: the call succeeded with a string (possibly empty).
std::optional<std::string> present(HRESULT hr, const ScopedBstr& text) {
    if (FAILED(hr) || !text.get()) return std::nullopt;
    return toAnsi(text.get());
}

void readElement(IDispatch* element, DocumentText& out) {
    ComPtr<IHTMLTitleElement> title;
    if (SUCCEEDED(element->QueryInterface(IID_IHTMLTitleElement, &title)) && title) {
        ScopedBstr text;
        const HRESULT hr = title->get_text(text.receive());
        out.pieces.push_back(present(hr, text));
        return;
    }
    ComPtr<IHTMLMetaElement> meta;
    if (SUCCEEDED(element->QueryInterface(IID_IHTMLMetaElement, &meta)) && meta) {
        ScopedBstr name;
        HRESULT hr = meta->get_name(name.receive());
        out.pieces.push_back(present(hr, name));
        ScopedBstr content;
        hr = meta->get_content(content.receive());
        out.pieces.push_back(present(hr, content));
    }
}

}  // namespace

bool BrowserLink::is(IUnknown* object) const {
    if (!browser_ || !object) return false;
    Microsoft::WRL::ComPtr<IUnknown> mine, theirs;
    return SUCCEEDED(browser_.As(&mine)) &&
           SUCCEEDED(object->QueryInterface(IID_IUnknown, &theirs)) && mine.Get() == theirs.Get();
}

Status BrowserLink::menuBar(bool& shown) {
    shown = false;
    if (!browser_) return E_POINTER;
    VARIANT_BOOL value = VARIANT_FALSE;
    const HRESULT hr = browser_->get_MenuBar(&value);
    if (SUCCEEDED(hr)) shown = value != VARIANT_FALSE;
    return hr;
}

Status BrowserLink::stop() {
    return browser_ ? browser_->Stop() : E_POINTER;
}

Status BrowserLink::navigate(const std::string& url, std::optional<int32_t> flags) {
    if (!browser_) return E_POINTER;
    ScopedBstr address = ScopedBstr::adopt(newBstr(url));
    if (!address.get()) return E_OUTOFMEMORY;
    ScopedVariant flagArg, frame, postData, headers;
    if (flags) {
        V_VT(flagArg.get()) = VT_I4;
        V_I4(flagArg.get()) = *flags;
    }
    return browser_->Navigate(address.get(), flagArg.get(), frame.get(), postData.get(),
                              headers.get());
}

Status BrowserLink::quit() {
    return browser_ ? browser_->Quit() : E_POINTER;
}

Status BrowserLink::showBar(bool show) {
    if (!browser_) return E_POINTER;
    ScopedVariant clsid, visible, size;
    V_VT(clsid.get()) = VT_BSTR;
    V_BSTR(clsid.get()) = SysAllocString(kBarClsid);
    if (!V_BSTR(clsid.get())) return E_OUTOFMEMORY;
    V_VT(visible.get()) = VT_BOOL;
    V_BOOL(visible.get()) = show ? VARIANT_TRUE : VARIANT_FALSE;
    return browser_->ShowBrowserBar(clsid.get(), visible.get(), size.get());
}

Status BrowserLink::readyState(int& state) {
    state = READYSTATE_UNINITIALIZED;
    if (!browser_) return E_POINTER;
    READYSTATE value = READYSTATE_UNINITIALIZED;
    const HRESULT hr = browser_->get_ReadyState(&value);
    if (SUCCEEDED(hr)) state = value;
    return hr;
}

// A window without a document, or with something else than an HTML
// document in it, has nothing to check; that is no error.
Status BrowserLink::document(std::optional<DocumentText>& out) {
    out.reset();
    if (!browser_) return E_POINTER;
    ComPtr<IDispatch> disp;
    if (FAILED(browser_->get_Document(&disp)) || !disp) return S_OK;
    ComPtr<IHTMLDocument2> doc;
    if (FAILED(disp.As(&doc)) || !doc) return S_OK;
    ScopedBstr url;
    if (FAILED(doc->get_URL(url.receive()))) return S_OK;

    DocumentText text;
    text.url = toAnsi(url.get());
    ComPtr<IHTMLElementCollection> all;
    LONG length = 0;
    if (SUCCEEDED(doc->get_all(&all)) && all && SUCCEEDED(all->get_length(&length))) {
        for (LONG i = 0; i < length; ++i) {
            ScopedVariant name, index;
            V_VT(name.get()) = VT_I4;
            V_I4(name.get()) = i;
            V_VT(index.get()) = VT_I4;
            V_I4(index.get()) = 0;
            ComPtr<IDispatch> element;
            if (SUCCEEDED(all->item(*name.get(), *index.get(), &element)) && element) {
                readElement(element.Get(), text);
            }
        }
    }
    out = std::move(text);
    return S_OK;
}

}  // namespace tb::helper
