// CSitesPage ("Block Sites"): the site log beside the parent's block list.
#pragma once

#include "manager/site_list_page.h"

namespace tb::manager {

class CSitesPage : public SiteListPage {
  public:
    CSitesPage();

  protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int code, HWND control) override;
    void fetchLog(ManagerDataLink& data, VARIANT* out) override;
    void fetchList(ManagerDataLink& data, VARIANT* out) override;
    void sendLog(ManagerDataLink& data, VARIANT* in) override;
    void sendList(ManagerDataLink& data, VARIANT* in) override;
    void onAddSite() override;
    bool emptiesListsFirst() const override { return false; }

  private:
    void onImport();
};

}  // namespace tb::manager
