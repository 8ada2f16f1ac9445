// CSecurityPage ("Admin"): filtering and timed access on or off, the time
// zone, the password change and the uninstall.
#pragma once

#include "manager/property_sheet.h"

namespace tb::manager {

class CSecurityPage : public PropertyPage {
  public:
    CSecurityPage();

  protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int code, HWND control) override;
    void onOK() override;

  private:
    void fillTimeZones();
    void onChangePassword();
    void onUninstall();
    bool timezoneChanged_ = false;
};

}  // namespace tb::manager
