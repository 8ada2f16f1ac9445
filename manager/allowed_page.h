// CAllowedPage ("Allow Sites"): the log of blocked addresses beside the
// allow list.
#pragma once

#include "manager/site_list_page.h"

namespace tb::manager {

class CAllowedPage : public SiteListPage {
  public:
    CAllowedPage();

  protected:
    void fetchLog(ManagerDataLink& data, VARIANT* out) override;
    void fetchList(ManagerDataLink& data, VARIANT* out) override;
    void sendLog(ManagerDataLink& data, VARIANT* in) override;
    void sendList(ManagerDataLink& data, VARIANT* in) override;
    void onAddSite() override;
    bool emptiesListsFirst() const override { return true; }
};

}  // namespace tb::manager
