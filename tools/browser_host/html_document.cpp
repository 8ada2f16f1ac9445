#include "tools/browser_host/html_document.h"

#include "common/com_convert.h"

namespace tb::host {

using Microsoft::WRL::ComPtr;

namespace {

HRESULT textOut(const std::optional<std::string>& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!text) return S_OK;
    *out = newBstr(*text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

template <class T>
void** slot(ComPtr<T>& p) {
    return reinterpret_cast<void**>(p.ReleaseAndGetAddressOf());
}

class PlainElement : public ComObject<PlainElement, IDispatchStubs> {};

class TitleElement : public ComObject<TitleElement, IHTMLTitleElementStubs> {
  public:
    explicit TitleElement(const Element& e) : text_(e.text) {}
    void* queryAlias(REFIID riid) {
        return IsEqualIID(riid, IID_IDispatch) ? static_cast<IDispatch*>(this) : nullptr;
    }
    STDMETHODIMP get_text(BSTR* p) override { return textOut(text_, p); }

  private:
    std::optional<std::string> text_;
};

class MetaElement : public ComObject<MetaElement, IHTMLMetaElementStubs> {
  public:
    explicit MetaElement(const Element& e) : name_(e.name), content_(e.content) {}
    void* queryAlias(REFIID riid) {
        return IsEqualIID(riid, IID_IDispatch) ? static_cast<IDispatch*>(this) : nullptr;
    }
    STDMETHODIMP get_name(BSTR* p) override { return textOut(name_, p); }
    STDMETHODIMP get_content(BSTR* p) override { return textOut(content_, p); }
    STDMETHODIMP get_httpEquiv(BSTR* p) override { return textOut(std::nullopt, p); }

  private:
    std::optional<std::string> name_;
    std::optional<std::string> content_;
};

// An index argument: any integer variant (a string names elements, which
// the host does not do).
std::optional<long> indexOf(VARIANT* v) {
    VARIANT copy;
    VariantInit(&copy);
    if (FAILED(VariantChangeType(&copy, v, 0, VT_I4))) return std::nullopt;
    return V_I4(&copy);
}

class ElementCollection : public ComObject<ElementCollection, IHTMLElementCollectionStubs> {
  public:
    explicit ElementCollection(ComPtr<HtmlDocument> document) : document_(std::move(document)) {}
    void* queryAlias(REFIID riid) {
        return IsEqualIID(riid, IID_IDispatch) ? static_cast<IDispatch*>(this) : nullptr;
    }

    STDMETHODIMP get_length(LONG* p) override {
        if (!p) return E_POINTER;
        const LoadedDocument& d = *document_->loaded();
        *p = static_cast<LONG>(std::min(d.revealed, d.elements.size()));
        return S_OK;
    }

    STDMETHODIMP item(VARIANT name, VARIANT index, IDispatch** pdisp) override {
        if (!pdisp) return E_POINTER;
        *pdisp = nullptr;
        const std::optional<long> i = indexOf(&name);
        if (!i) return V_VT(&name) == VT_BSTR ? S_OK : E_INVALIDARG;
        if (*i < 0) return S_OK;
        return document_->element(static_cast<size_t>(*i), pdisp);
    }

    STDMETHODIMP toString(BSTR* p) override { return textOut(std::string("[object]"), p); }

  private:
    ComPtr<HtmlDocument> document_;
};

}  // namespace

HtmlDocument::HtmlDocument(std::shared_ptr<LoadedDocument> document)
    : document_(std::move(document)) {
    elements_.resize(document_->elements.size());
}

void* HtmlDocument::queryAlias(REFIID riid) {
    if (IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IHTMLDocument)) {
        return static_cast<IHTMLDocument2*>(this);
    }
    return nullptr;
}

HRESULT HtmlDocument::element(size_t index, IDispatch** out) {
    *out = nullptr;
    if (index >= std::min(document_->revealed, document_->elements.size())) return S_OK;
    if (!elements_[index]) {
        const Element& e = document_->elements[index];
        HRESULT hr = E_OUTOFMEMORY;
        switch (e.kind) {
            case Element::Kind::Title:
                hr = TitleElement::createInstance(IID_IDispatch, slot(elements_[index]), e);
                break;
            case Element::Kind::Meta:
                hr = MetaElement::createInstance(IID_IDispatch, slot(elements_[index]), e);
                break;
            case Element::Kind::Other:
                hr = PlainElement::createInstance(IID_IDispatch, slot(elements_[index]));
                break;
        }
        if (FAILED(hr)) return hr;
    }
    return elements_[index].CopyTo(out);
}

STDMETHODIMP HtmlDocument::get_all(IHTMLElementCollection** p) {
    if (!p) return E_POINTER;
    return ElementCollection::createInstance(
        IID_IHTMLElementCollection, reinterpret_cast<void**>(p), ComPtr<HtmlDocument>(this));
}

STDMETHODIMP HtmlDocument::get_URL(BSTR* p) {
    return textOut(document_->url, p);
}

STDMETHODIMP HtmlDocument::get_title(BSTR* p) {
    return textOut(document_->title().value_or(""), p);
}

STDMETHODIMP HtmlDocument::get_readyState(BSTR* p) {
    const int state = document_->readyState;
    return textOut(std::string(state >= kComplete      ? "complete"
                               : state >= kInteractive ? "interactive"
                                                       : "loading"),
                   p);
}

}  // namespace tb::host
