#include "bar/browser_control.h"

#include "common/com_convert.h"
#include "common/com_holders.h"

namespace tb::bar {

using Microsoft::WRL::ComPtr;

HRESULT BrowserControl::create(HWND host, const std::string& address,
                               ComPtr<IWebBrowser2>& browser) {
    browser.Reset();
    HRESULT hr = control_.create(CLSID_WebBrowser, host);
    if (FAILED(hr)) return hr;
    if (FAILED(hr = control_.object()->QueryInterface(IID_PPV_ARGS(&browser)))) return hr;
    ScopedBstr url = ScopedBstr::adopt(newBstr(address));
    ScopedVariant empty;
    browser->Navigate(url.get(), empty.get(), empty.get(), empty.get(), empty.get());
    return S_OK;
}

}  // namespace tb::bar
