// The document object model that the host hands to plug-ins: an
// IHTMLDocument2 over the window's loaded document, whose `all` collection
// holds every element that has arrived so far; title elements answer
// IHTMLTitleElement, meta elements IHTMLMetaElement, the others IDispatch.
#pragma once

#include <windows.h>
#include <mshtml.h>
#include <wrl/client.h>

#include <memory>
#include <vector>

#include "common/com_object.h"
#include "tools/browser_host/com_stubs.h"
#include "tools/browser_host/navigator.h"

namespace tb::host {

class HtmlDocument : public ComObject<HtmlDocument, IHTMLDocument2Stubs> {
  public:
    explicit HtmlDocument(std::shared_ptr<LoadedDocument> document);
    void* queryAlias(REFIID riid);

    const std::shared_ptr<LoadedDocument>& loaded() const { return document_; }
    // Element i of the document as the collection hands it out (the same
    // object every time); nullptr beyond what has arrived.
    HRESULT element(size_t index, IDispatch** out);

    STDMETHODIMP get_all(IHTMLElementCollection** p) override;
    STDMETHODIMP get_URL(BSTR* p) override;
    STDMETHODIMP get_title(BSTR* p) override;
    STDMETHODIMP get_readyState(BSTR* p) override;

  private:
    std::shared_ptr<LoadedDocument> document_;
    std::vector<Microsoft::WRL::ComPtr<IDispatch>> elements_;
};

}  // namespace tb::host
