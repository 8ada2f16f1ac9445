#include "manager/words_page.h"

#include "common/com_holders.h"
#include "manager/enter_key_edit.h"
#include "manager/password_dialogs.h"
#include "manager/resource.h"
#include "manager/service_link.h"
#include "manager/sheet_rules.h"
#include "manager/site_list_rules.h"

namespace tb::manager {

CWordsPage::CWordsPage() : PropertyPage(IDD_WORDS) {}

BOOL CWordsPage::onInitDialog() {
    PropertyPage::onInitDialog();
    routeEnterKey(item(IDC_WORD_EDIT), [this] { onAddWord(); });
    ListBox list(item(IDC_WORD_LIST));
    list.resetContent();
    CLoadingDlg loading;
    ManagerDataLink data;
    ScopedVariant words;
    checkCall(data->GetWords(words.receive()), IID_IManagerData, "GetWords");
    for (const std::string& word : stringList(words.get())) list.addString(word);
    return TRUE;
}

void CWordsPage::doDataExchange(DataExchange& dx) {
    dx.text(IDC_WORD_EDIT, word_);
}

void CWordsPage::onAddWord() {
    updateData(true);
    // Blanks around a word may be meant (a whole word); a word of blanks
    // alone blocks nothing.
    if (trimmedBlanks(word_).empty()) return;
    const int refusal = wordRefused(word_)             ? IDS_VENDOR_REFUSED
                        : word_.size() > kMaxWordChars ? IDS_WORD_TOO_LONG
                                                       : 0;
    if (refusal) {
        messageBox(refusal);
        SetFocus(item(IDC_WORD_EDIT));
        SendDlgItemMessageA(hwnd_, IDC_WORD_EDIT, EM_SETSEL, 0, -1);
        return;
    }
    ListBox list(item(IDC_WORD_LIST));
    for (int i = 0, n = list.count(); i < n; ++i) {
        const std::string entry = list.getText(i);
        if (!entry.empty() && entry == word_) return;
    }
    list.addString(word_);
    word_.clear();
    updateData(false);
    SetFocus(item(IDC_WORD_EDIT));
    changed_ = true;
}

void CWordsPage::onRemoveWord() {
    ListBox list(item(IDC_WORD_LIST));
    const int selected = list.selCount();
    if (selected <= 0) return;
    const std::vector<int> items = list.selItems(static_cast<int>(kMaxWordsRemoved));
    for (auto it = items.rbegin(); it != items.rend(); ++it) list.deleteString(*it);
    changed_ = true;
}

bool CWordsPage::onCommand(int id, int code, HWND) {
    if (code != BN_CLICKED) return false;
    if (id == IDC_ADD_WORD) {
        onAddWord();
        return true;
    }
    if (id == IDC_REMOVE_WORD) {
        onRemoveWord();
        return true;
    }
    return false;
}

void CWordsPage::onOK() {
    if (!changed_) return;
    ListBox list(item(IDC_WORD_LIST));
    std::vector<std::string> words;
    for (int i = 0, n = list.count(); i < n; ++i) words.push_back(list.getText(i));
    ManagerDataLink data;
    ScopedVariant array;
    setStringList(array.get(), words);
    checkCall(data->SetWords(array.get()), IID_IManagerData, "SetWords");
    changed_ = false;
}

}  // namespace tb::manager
