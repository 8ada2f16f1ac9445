// CUpdatePage ("Update"): the web browser control with an address edit;
// the other pages and the sheet show addresses in it.
#pragma once

#include <string>

#include "manager/property_sheet.h"
#include "manager/web_browser.h"

namespace tb::manager {

class CUpdatePage : public PropertyPage {
  public:
    CUpdatePage();
    // Navigation asked for by others: no Stop first.
    void navigate(const std::string& address);

  protected:
    BOOL onInitDialog() override;
    INT_PTR handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool onCommand(int id, int code, HWND control) override;
    void doDataExchange(DataExchange& dx) override;

  private:
    void showUpdatePage();
    void onGo();
    void onNavigateComplete(const std::string& address);
    CWebBrowser2 browser_;
    std::string address_;
};

}  // namespace tb::manager
