// CCategoriesPage ("Categories"): the downloadable category lists on or off.
#pragma once

#include "manager/property_sheet.h"
#include "manager/sheet_rules.h"

namespace tb::manager {

class CCategoriesPage : public PropertyPage {
  public:
    CCategoriesPage();

  protected:
    BOOL onInitDialog() override;
    void doDataExchange(DataExchange& dx) override;
    void onOK() override;

  private:
    // By category; the adult box always shows 1 and is never sent.
    CategoryValues shown_ = {1, 1, 1, 1, 1, 0};
    CategoryValues read_ = {1, 1, 1, 1, 1, 0};
};

}  // namespace tb::manager
