#include "manager/sites_page.h"

#include <commdlg.h>

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "manager/resource.h"
#include "manager/site_list_rules.h"

namespace tb::manager {

CSitesPage::CSitesPage()
    : SiteListPage({IDD_SITES, IDC_VISITED_LIST, IDC_HEADER_VISITED, IDC_BLOCK_LIST}) {}

BOOL CSitesPage::onInitDialog() {
    CheckRadioButton(hwnd_, IDC_SCOPE_SECTION, IDC_SCOPE_PAGE, IDC_SCOPE_SECTION);
    return SiteListPage::onInitDialog();
}

void CSitesPage::fetchLog(ManagerDataLink& data, VARIANT* out) {
    checkCall(data->GetVisitedSites(out), IID_IManagerData, "GetVisitedSites");
}
void CSitesPage::fetchList(ManagerDataLink& data, VARIANT* out) {
    checkCall(data->GetPersBlockSites(out), IID_IManagerData, "GetPersBlockSites");
}
void CSitesPage::sendLog(ManagerDataLink& data, VARIANT* in) {
    checkCall(data->SetVisitedSites(in), IID_IManagerData, "SetVisitedSites");
}
void CSitesPage::sendList(ManagerDataLink& data, VARIANT* in) {
    checkCall(data->SetPersBlockSites(in), IID_IManagerData, "SetPersBlockSites");
}

void CSitesPage::onAddSite() {
    edited_.setSel(-1, false);
    const bool entireSection = IsDlgButtonChecked(hwnd_, IDC_SCOPE_SECTION) == BST_CHECKED;
    std::vector<std::string> candidates;
    if (log_.selCount() < 2) {
        updateData(true);
        const std::string candidate = normaliseCandidate(address_);
        if (!candidate.empty()) candidates.push_back(candidate);
    } else {
        candidates = selectedLogAddresses();
    }
    for (std::string candidate : candidates) {
        if (entireSection) candidate = cutToSection(candidate);
        const int refusal = mentionsVendorDomain(candidate)       ? IDS_VENDOR_REFUSED
                            : candidate.size() > kMaxAddressChars ? IDS_ADDRESS_TOO_LONG
                                                                  : 0;
        if (refusal) {
            messageBox(refusal);
            SetFocus(item(IDC_SITE_EDIT));
            SendDlgItemMessageA(hwnd_, IDC_SITE_EDIT, EM_SETSEL, 0, -1);
            continue;
        }
        addToEditedList(candidate);
    }
    log_.setSel(-1, false);
    updateButtons();
}

void CSitesPage::onImport() {
    char file[MAX_PATH] = "";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = hwnd_;
    ofn.lpstrFilter = "Text Files (*.txt)\0*.txt\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = MAX_PATH;
    ofn.lpstrDefExt = "txt";
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER;
    if (!GetOpenFileNameA(&ofn)) return;
    const std::string path(file);
    const size_t cut = ofn.nFileOffset <= path.size() ? ofn.nFileOffset : path.rfind('\\') + 1;
    ScopedBstr folder = ScopedBstr::adopt(newBstr(path.substr(0, cut)));
    ScopedBstr name = ScopedBstr::adopt(newBstr(path.substr(cut)));
    VARIANT_BOOL no = 0;
    checkCall(serviceLog()->UploadFromFile(folder.get(), name.get(), &no, &no), IID_ILog,
              "UploadFromFile");
    ManagerDataLink data;
    fillEditedList(data);
    leftChanged_ = true;
}

bool CSitesPage::onCommand(int id, int code, HWND control) {
    if (id == IDC_IMPORT && code == BN_CLICKED) {
        onImport();
        return true;
    }
    return SiteListPage::onCommand(id, code, control);
}

}  // namespace tb::manager
