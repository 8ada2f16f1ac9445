#include "manager/allowed_page.h"

#include "manager/resource.h"
#include "manager/site_list_rules.h"

namespace tb::manager {

CAllowedPage::CAllowedPage()
    : SiteListPage({IDD_ALLOWED, IDC_BLOCKED_LOG, IDC_HEADER_BLOCKED, IDC_ALLOW_LIST}) {}

void CAllowedPage::fetchLog(ManagerDataLink& data, VARIANT* out) {
    checkCall(data->GetBlockedLog(out), IID_IManagerData, "GetBlockedLog");
}
void CAllowedPage::fetchList(ManagerDataLink& data, VARIANT* out) {
    checkCall(data->GetAllowedSites(out), IID_IManagerData, "GetAllowedSites");
}
void CAllowedPage::sendLog(ManagerDataLink& data, VARIANT* in) {
    checkCall(data->SetBlockedLog(in), IID_IManagerData, "SetBlockedLog");
}
void CAllowedPage::sendList(ManagerDataLink& data, VARIANT* in) {
    checkCall(data->SetAllowedSites(in), IID_IManagerData, "SetAllowedSites");
}

void CAllowedPage::onAddSite() {
    edited_.setSel(-1, false);
    if (log_.selCount() < 2) {
        updateData(true);
        if (!address_.empty()) addToEditedList(allowCandidate(address_));
    } else {
        for (const std::string& address : selectedLogAddresses()) addToEditedList(address);
    }
    log_.setSel(-1, false);
    updateButtons();
}

}  // namespace tb::manager
