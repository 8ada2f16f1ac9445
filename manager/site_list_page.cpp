#include "manager/site_list_page.h"

#include "common/com_holders.h"
#include "manager/enter_key_edit.h"
#include "manager/password_dialogs.h"
#include "manager/resource.h"
#include "manager/site_list_rules.h"
#include "manager/tb_manager_dlg.h"

namespace tb::manager {

namespace {

// The log list as the sort sees it: moving an entry appends a copy with
// its item data and deletes the original.
class LogEntries : public EntryList {
  public:
    explicit LogEntries(const CHScrollListBox& list) : list_(list) {}
    size_t count() const override { return static_cast<size_t>(list_.count()); }
    std::string text(size_t i) const override { return list_.getText(static_cast<int>(i)); }
    uint32_t data(size_t i) const override {
        return static_cast<uint32_t>(list_.itemData(static_cast<int>(i)));
    }
    void moveToEnd(size_t i) override {
        const int index = static_cast<int>(i);
        const std::string entry = list_.getText(index);
        const LPARAM data = list_.itemData(index);
        const int added = list_.addString(entry);
        list_.setItemData(added, data);
        list_.deleteString(index);
    }

  private:
    const CHScrollListBox& list_;
};

// Every selected entry, highest index first.
std::vector<int> selectedDescending(const ListBox& list) {
    std::vector<int> items = list.selItems(list.selCount());
    return std::vector<int>(items.rbegin(), items.rend());
}

}  // namespace

BOOL SiteListPage::onInitDialog() {
    PropertyPage::onInitDialog();
    log_.attach(item(layout_.logList));
    edited_.attach(item(layout_.editedList));
    dateHeader_.attach(item(IDC_HEADER_DATE));
    addressHeader_.attach(item(layout_.addressHeader));
    routeEnterKey(item(IDC_SITE_EDIT), [this] { onAddSite(); });
    if (emptiesListsFirst()) {
        log_.resetContent();
        edited_.resetContent();
    }
    ManagerDataLink data;
    {
        CLoadingDlg loading;
        fillLog(data);
        runSort(sortState_ == 2 || sortState_ == 3);
        fillEditedList(data);
    }
    updateButtons();
    return TRUE;
}

void SiteListPage::fillLog(ManagerDataLink& data) {
    ScopedVariant sites;
    fetchLog(data, sites.receive());
    const std::vector<std::string> elements = stringList(sites.get());
    if (!emptiesListsFirst()) log_.resetContent();
    for (const std::string& element : elements) {
        const LoggedSite site = parseLoggedSite(element);
        const int index = log_.addString(logEntryText(site.time, site.address));
        if (index >= 0)
            log_.setItemData(index, static_cast<LPARAM>(static_cast<uint32_t>(site.time)));
    }
}

void SiteListPage::fillEditedList(ManagerDataLink& data) {
    ScopedVariant sites;
    fetchList(data, sites.receive());
    if (!(V_VT(sites.get()) & VT_ARRAY)) return;
    edited_.resetContent();
    for (const std::string& site : stringList(sites.get())) edited_.addString(site);
}

void SiteListPage::doDataExchange(DataExchange& dx) {
    dx.text(IDC_SITE_EDIT, address_);
}

void SiteListPage::updateButtons() {
    const bool logSelected = log_.selCount() > 0;
    const bool anySelected = logSelected || edited_.selCount() > 0;
    EnableWindow(item(IDC_ADD_SITE), logSelected);
    EnableWindow(item(IDC_REMOVE), anySelected);
    EnableWindow(item(IDC_REMOVE_ALL), anySelected);
}

std::vector<std::string> SiteListPage::editedEntries() const {
    std::vector<std::string> entries;
    for (int i = 0, n = edited_.count(); i < n; ++i) entries.push_back(edited_.getText(i));
    return entries;
}

std::vector<std::string> SiteListPage::selectedLogAddresses() const {
    std::vector<std::string> addresses;
    for (int index : selectedDescending(log_))
        addresses.push_back(entryAddress(log_.getText(index)));
    return addresses;
}

void SiteListPage::addToEditedList(const std::string& candidate) {
    if (containsExactly(editedEntries(), candidate)) return;
    const int index = edited_.addString(candidate);
    if (index >= 0) edited_.setSel(index, true);
    rightChanged_ = true;
}

void SiteListPage::runSort(bool byAddress) {
    HCURSOR previous = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    const SortStep step =
        byAddress ? addressHeaderClicked(sortState_) : dateHeaderClicked(sortState_);
    LogEntries entries(log_);
    sortEntries(entries, step.key, step.descending);
    sortState_ = step.nextState;
    SetCursor(previous);
}

void SiteListPage::sortByDate() {
    runSort(false);
}
void SiteListPage::sortByAddress() {
    runSort(true);
}

void SiteListPage::onRemove() {
    if (edited_.selCount() <= 0) {
        for (int index : selectedDescending(log_)) log_.deleteString(index);
        leftChanged_ = true;
        log_.recomputeExtent();
    } else {
        for (int index : selectedDescending(edited_)) edited_.deleteString(index);
        rightChanged_ = true;
        edited_.recomputeExtent();
    }
    updateButtons();
}

void SiteListPage::onRemoveAll() {
    const CHScrollListBox& list = log_.selCount() > 0 ? log_ : edited_;
    list.setSel(-1, true);
    onRemove();
}

void SiteListPage::onAddressChanged() {
    updateData(true);
    EnableWindow(item(IDC_ADD_SITE), !address_.empty());
    log_.setSel(-1, false);
}

void SiteListPage::onAddressFocus() {
    updateData(true);
    EnableWindow(item(IDC_ADD_SITE), !address_.empty());
}

void SiteListPage::onLogSelection() {
    const std::vector<int> selected = log_.selItems(log_.selCount());
    if (!selected.empty()) {
        address_ = entryAddress(log_.getText(selected.back()));
        updateData(false);
    }
    edited_.setSel(-1, false);
    updateButtons();
}

void SiteListPage::onEditedSelection() {
    log_.setSel(-1, false);
    updateButtons();
}

void SiteListPage::onDoubleClick(bool fromLog) {
    const CHScrollListBox& list = fromLog ? log_ : edited_;
    const int caret = list.caretIndex();
    if (caret < 0 || caret >= list.count()) return;
    const std::string text = list.getText(caret);
    managerSheet(*this).showInBrowser(fromLog ? entryAddress(text) : text);
}

bool SiteListPage::onCommand(int id, int code, HWND) {
    if (id == IDC_SITE_EDIT) {
        if (code == EN_CHANGE) onAddressChanged();
        if (code == EN_SETFOCUS) onAddressFocus();
        return true;
    }
    if (id == layout_.logList || id == layout_.editedList) {
        const bool fromLog = id == layout_.logList;
        if (code == LBN_SELCHANGE) fromLog ? onLogSelection() : onEditedSelection();
        if (code == LBN_DBLCLK) onDoubleClick(fromLog);
        return true;
    }
    if (code != BN_CLICKED) return false;
    if (id == IDC_HEADER_DATE) {
        sortByDate();
    } else if (id == layout_.addressHeader) {
        sortByAddress();
    } else if (id == IDC_ADD_SITE) {
        onAddSite();
    } else if (id == IDC_REMOVE) {
        onRemove();
    } else if (id == IDC_REMOVE_ALL) {
        onRemoveAll();
    } else {
        return false;
    }
    return true;
}

INT_PTR SiteListPage::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        dateHeader_.detach();
        addressHeader_.detach();
    }
    return PropertyPage::handleMessage(msg, wParam, lParam);
}

void SiteListPage::onOK() {
    if (leftChanged_) {
        std::vector<std::string> elements;
        for (int i = 0, n = log_.count(); i < n; ++i) {
            elements.push_back(
                formatLoggedSite(static_cast<int32_t>(static_cast<uint32_t>(log_.itemData(i))),
                                 entryAddress(log_.getText(i))));
        }
        ManagerDataLink data;
        ScopedVariant sites;
        setStringList(sites.get(), elements);
        sendLog(data, sites.get());
        leftChanged_ = false;
    }
    if (rightChanged_) {
        ManagerDataLink data;
        ScopedVariant sites;
        const std::vector<std::string> entries = editedEntries();
        if (!entries.empty()) setStringList(sites.get(), entries);
        sendList(data, sites.get());
        rightChanged_ = false;
    }
}

}  // namespace tb::manager
