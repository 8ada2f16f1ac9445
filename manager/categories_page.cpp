#include "manager/categories_page.h"

#include "manager/resource.h"
#include "manager/service_link.h"

namespace tb::manager {

namespace {
constexpr int kBoxes[kCategories] = {IDC_CAT_ADULT,    IDC_CAT_EXTREMIST, IDC_CAT_FIREARMS,
                                     IDC_CAT_GAMBLING, IDC_CAT_SATANIC,   IDC_CAT_HATE};
}

CCategoriesPage::CCategoriesPage() : PropertyPage(IDD_CATEGORIES) {}

BOOL CCategoriesPage::onInitDialog() {
    ManagerDataLink data;
    for (int category : kCategoryReadOrder) {
        VARIANT_BOOL blocked = 0;
        checkCall(data->GetCategoryState(static_cast<eCATEGORY>(category), &blocked),
                  IID_IManagerData, "GetCategoryState");
        // Any non-zero answer is a blocked category; it shows checked.
        read_[category] = shown_[category] = blocked ? 1 : 0;
    }
    return PropertyPage::onInitDialog();
}

void CCategoriesPage::doDataExchange(DataExchange& dx) {
    for (int category = 0; category < kCategories; ++category)
        dx.check(kBoxes[category], shown_[category]);
    shown_[0] = 1;
}

void CCategoriesPage::onOK() {
    const std::vector<CategoryChange> changes = categoryChanges(read_, shown_);
    if (changes.empty()) return;
    ManagerDataLink data;
    for (const CategoryChange& change : changes) {
        checkCall(data->SetCategoryState(static_cast<eCATEGORY>(change.category),
                                         static_cast<VARIANT_BOOL>(change.value)),
                  IID_IManagerData, "SetCategoryState");
        read_[change.category] = change.value;
    }
}

}  // namespace tb::manager
