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
        const std::string candidate = allowCandidate(address_);
        if (candidate.size() > kMaxAddressChars) {
            messageBox(IDS_ADDRESS_TOO_LONG);
            SetFocus(item(IDC_SITE_EDIT));
            SendDlgItemMessageA(hwnd_, IDC_SITE_EDIT, EM_SETSEL, 0, -1);
        } else if (!candidate.empty()) {
            addToEditedList(candidate);
        }
    } else {
        for (const std::string& address : selectedLogAddresses()) addToEditedList(address);
    }
    log_.setSel(-1, false);
    updateButtons();
}

}  // namespace tb::manager
