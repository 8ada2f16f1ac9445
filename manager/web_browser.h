// CWebBrowser2: the web browser control hosted in a page, with an event
// sink for NavigateComplete2. Navigate and Stop go through the control's
// dispatch interface.
#pragma once

#include <windows.h>
#include <oleidl.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <functional>
#include <string>

#include "common/in_place_control.h"

namespace tb::manager {

// {8856F961-340A-11D0-A96B-00C04FD705A2}
extern const CLSID kWebBrowserClsid;

class CWebBrowser2 {
  public:
    using CompleteHandler = std::function<void(const std::string& address)>;

    CWebBrowser2() = default;
    ~CWebBrowser2();
    CWebBrowser2(const CWebBrowser2&) = delete;
    CWebBrowser2& operator=(const CWebBrowser2&) = delete;

    // Creates the control in place of the window `host`. S_OK or the failure.
    HRESULT create(HWND host, CompleteHandler onNavigateComplete);
    void destroy();
    bool exists() const { return dispatch_ != nullptr; }

    // DISPID 104 with the four optional arguments empty.
    HRESULT navigate(const std::string& address);
    // DISPID 106.
    HRESULT stop();

    static constexpr DISPID kNavigate = 104;
    static constexpr DISPID kStop = 106;
    static constexpr DISPID kNavigateComplete2 = 252;

  private:
    InPlaceControl control_;
    Microsoft::WRL::ComPtr<IDispatch> dispatch_;
    Microsoft::WRL::ComPtr<IConnectionPoint> events_;
    DWORD cookie_ = 0;
};

}  // namespace tb::manager
