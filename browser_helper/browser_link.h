// The browser window that a helper sits in, through its IWebBrowser2, and
// the title and meta texts of its HTML document.
#pragma once

#include <windows.h>
#include <exdisp.h>
#include <wrl/client.h>

#include "browser_helper/seams.h"

namespace tb::helper {

// The browser bar that the helper shows and hides through the browser.
inline constexpr wchar_t kBarClsid[] = L"{D691CF40-D7B8-11d2-8BDD-0000C0301BE5}";

class BrowserLink : public Browser {
  public:
    void attach(Microsoft::WRL::ComPtr<IWebBrowser2> browser) { browser_ = std::move(browser); }
    void detach() { browser_.Reset(); }
    bool attached() const { return browser_ != nullptr; }
    // True when object is this browser (the same COM identity).
    bool is(IUnknown* object) const;

    Status menuBar(bool& shown) override;
    Status stop() override;
    Status navigate(const std::string& url, std::optional<int32_t> flags) override;
    Status quit() override;
    Status showBar(bool show) override;
    Status readyState(int& state) override;
    Status document(std::optional<DocumentText>& out) override;

  private:
    Microsoft::WRL::ComPtr<IWebBrowser2> browser_;
};

}  // namespace tb::helper
