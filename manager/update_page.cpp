#include "manager/update_page.h"

#include "common/ansi_text.h"
#include "common/vendor_endpoints.h"
#include "manager/enter_key_edit.h"
#include "manager/resource.h"

namespace tb::manager {

CUpdatePage::CUpdatePage() : PropertyPage(IDD_UPDATE) {}

BOOL CUpdatePage::onInitDialog() {
    PropertyPage::onInitDialog();
    routeEnterKey(item(IDC_URL_EDIT), [this] { onGo(); });
    // Without the control the page still shows its address edit; the
    // navigation calls then do nothing.
    browser_.create(item(IDC_BROWSER),
                    [this](const std::string& address) { onNavigateComplete(address); });
    showUpdatePage();
    return TRUE;
}

INT_PTR CUpdatePage::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) browser_.destroy();
    return PropertyPage::handleMessage(msg, wParam, lParam);
}

void CUpdatePage::doDataExchange(DataExchange& dx) {
    dx.text(IDC_URL_EDIT, address_);
}

void CUpdatePage::showUpdatePage() {
    browser_.stop();
    browser_.navigate(vendor::kSmallUpdatePage);
}

void CUpdatePage::navigate(const std::string& address) {
    browser_.navigate(address);
}

void CUpdatePage::onGo() {
    updateData(true);
    browser_.stop();
    browser_.navigate(address_);
}

void CUpdatePage::onNavigateComplete(const std::string& address) {
    if (contains(address, vendor::kAdServerPrefix)) return;
    address_ = address;
    updateData(false);
}

bool CUpdatePage::onCommand(int id, int code, HWND) {
    if (code != BN_CLICKED) return false;
    switch (id) {
        case IDC_UPDATE:
            showUpdatePage();
            return true;
        case IDC_GO:
            onGo();
            return true;
        default:
            return false;
    }
}

}  // namespace tb::manager
