// One browser window of the host: a frame window, its browser object and
// the browser helper objects loaded into it, as the browser loads them:
// every CLSID below the Browser Helper Objects key is created in process
// and sited on the window's browser object. The window raises the
// browser's events to them through the connection point.
#pragma once

#include <windows.h>
#include <ocidl.h>
#include <wrl/client.h>

#include <map>
#include <string>
#include <vector>

#include "tools/browser_host/band_site.h"
#include "tools/browser_host/navigator.h"
#include "tools/browser_host/web_browser.h"

namespace tb::host {

struct WindowOptions {
    bool menuBar = true;
    bool trace = false;  // report every event raised
    bool bands = false;  // create bands for ShowBrowserBar
    // Load these instead of the registered helpers (nullptr: the registry).
    const std::vector<CLSID>* helpers = nullptr;
};

class HostWindow : public BrowserFrame, public WindowEvents {
  public:
    HostWindow(std::string name, WindowOptions options, const PageSource& pages, Output& out);
    ~HostWindow() override;

    // Creates the frame and loads the helpers; false when the frame cannot
    // be created.
    bool open();
    // The user closes the window: OnQuit, the helpers let go, the frame goes.
    void close();
    bool closed() const { return closed_; }
    // After any entry point: a plug-in that asked for Quit closes the window.
    void closeIfQuit();
    const std::string& name() const { return name_; }
    void setBands(bool on) { bars_.enable(on); }
    BarHost& bars() { return bars_; }
    // The browser's message loop after a command: what the bands' controls
    // were asked to load arrives.
    void settle() { bars_.settle(); }
    // The user switches an explorer bar from the browser's list.
    HRESULT userShowBar(const std::wstring& clsid, bool show) {
        return showBrowserBar(clsid, show);
    }
    // The user right-clicks the band site (the frame): without a band the
    // frame opens its context menu, reported as "window NAME event=contextmenu".
    void rightClick();

    // BrowserFrame
    Navigator& navigator() override { return navigator_; }
    void record(const std::string& call,
                const std::vector<std::pair<std::string, std::string>>& fields) override;
    HWND hwnd() const override { return frame_; }
    bool menuBar() const override { return options_.menuBar; }
    void setMenuBar(bool shown) override;
    void quit() override { navigator_.requestClose(); }
    HRESULT showBrowserBar(const std::wstring& clsid, bool show) override;

    // WindowEvents
    Verdict beforeNavigate2(uint32_t frame, const std::string& url, int32_t flags) override;
    void downloadBegin() override;
    void navigateComplete2(uint32_t frame, const std::string& url) override;
    void progressChange(int32_t progress, int32_t progressMax) override;
    void titleChange(const std::string& title) override;
    void documentComplete(uint32_t frame, const std::string& url) override;
    void downloadComplete() override;

    // The frame's window procedure: reports its context menu.
    static LRESULT CALLBACK frameProc(HWND frame, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    std::vector<CLSID> registeredHelpers() const;
    HRESULT raise(DISPID id, const char* event, VARIANTARG* args, UINT count,
                  std::vector<std::pair<std::string, std::string>> fields = {},
                  std::string* sinks = nullptr);
    HRESULT raiseWithUrl(DISPID id, const char* event, uint32_t frame, const std::string& url);
    // The browser object that raises an event: the window's, or a frame's.
    IDispatch* source(uint32_t frame);

    std::string name_;
    WindowOptions options_;
    Output& out_;
    Navigator navigator_;
    HWND frame_ = nullptr;
    Microsoft::WRL::ComPtr<WebBrowser> browser_;
    std::map<uint32_t, Microsoft::WRL::ComPtr<WindowFrame>> frames_;
    std::vector<Microsoft::WRL::ComPtr<IObjectWithSite>> helpers_;
    BarHost bars_;
    bool closed_ = false;
};

}  // namespace tb::host
