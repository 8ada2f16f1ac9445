// CTBManagerDlg: the modal settings sheet with its seven pages.
#pragma once

#include <string>

#include "manager/allowed_page.h"
#include "manager/categories_page.h"
#include "manager/property_sheet.h"
#include "manager/security_page.h"
#include "manager/sites_page.h"
#include "manager/time_page.h"
#include "manager/update_page.h"
#include "manager/words_page.h"

namespace tb::manager {

class CTBManagerDlg : public PropertySheetWindow {
  public:
    enum PageIndex { kAdmin = 0, kCategories, kTime, kBlockSites, kAllowSites, kWords, kUpdate };

    CTBManagerDlg(const char* caption, HWND parent, int selectPage);

    // Marks and locks (or unlocks) the Time tab.
    void setTimeTabState(bool on);
    // Shows an address in the Update page's browser (no Stop first).
    void showInBrowser(const std::string& address);

  protected:
    void onInitialized() override;
    LRESULT handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

  private:
    void addSystemMenuItems();
    bool onSysCommand(WPARAM command);
    void onHelp();
    void onTabChanging();
    void onTabChanged();

    CSecurityPage security_;
    CCategoriesPage categories_;
    CTimePage time_;
    CSitesPage sites_;
    CAllowedPage allowed_;
    CWordsPage words_;
    CUpdatePage update_;
    bool timedAccessOn_ = true;
    int previousTab_ = 0;
};

// The sheet a page belongs to.
CTBManagerDlg& managerSheet(const PropertyPage& page);

}  // namespace tb::manager
