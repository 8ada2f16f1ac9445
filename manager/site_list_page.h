// What the Block Sites and Allow Sites pages share: a log of addresses with
// their visit times on the left, sortable by date or address, the edited
// address list on the right, and the buttons between them.
#pragma once

#include <string>
#include <vector>

#include "manager/list_controls.h"
#include "manager/property_sheet.h"
#include "manager/service_link.h"

namespace tb::manager {

class SiteListPage : public PropertyPage {
  public:
    struct Layout {
        int templateId;
        int logList;
        int addressHeader;
        int editedList;
    };
    explicit SiteListPage(const Layout& layout)
        : PropertyPage(layout.templateId), layout_(layout) {}

  protected:
    BOOL onInitDialog() override;
    INT_PTR handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool onCommand(int id, int code, HWND control) override;
    void doDataExchange(DataExchange& dx) override;
    void onOK() override;

    // The page's calls and its add rule.
    virtual void fetchLog(ManagerDataLink& data, VARIANT* out) = 0;
    virtual void fetchList(ManagerDataLink& data, VARIANT* out) = 0;
    virtual void sendLog(ManagerDataLink& data, VARIANT* in) = 0;
    virtual void sendList(ManagerDataLink& data, VARIANT* in) = 0;
    virtual void onAddSite() = 0;
    // Block Sites empties its log after the fetch; Allow Sites before.
    virtual bool emptiesListsFirst() const = 0;

    void fillLog(ManagerDataLink& data);
    void fillEditedList(ManagerDataLink& data);
    // Adds a candidate unless the right list holds it already.
    void addToEditedList(const std::string& candidate);
    std::vector<std::string> editedEntries() const;
    // The addresses of the selected log entries, highest index first.
    std::vector<std::string> selectedLogAddresses() const;
    void updateButtons();

    CHScrollListBox log_;
    CHScrollListBox edited_;
    std::string address_;
    bool leftChanged_ = false;
    bool rightChanged_ = false;
    int sortState_ = 0;

  private:
    void sortByDate();
    void sortByAddress();
    void runSort(bool byAddress);
    void onRemove();
    void onRemoveAll();
    void onAddressChanged();
    void onAddressFocus();
    void onLogSelection();
    void onEditedSelection();
    void onDoubleClick(bool fromLog);

    Layout layout_;
    CHeaderButton dateHeader_;
    CHeaderButton addressHeader_;
};

}  // namespace tb::manager
