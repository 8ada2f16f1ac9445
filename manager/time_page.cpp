#include "manager/time_page.h"

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "manager/resource.h"
#include "manager/service_link.h"

namespace tb::manager {

const std::array<CTimePage::DayControls, kDays> CTimePage::kDayControls = {{
    {1030, 1044, 1062, 1061},  // Sunday
    {1031, 1045, 1064, 1063},  // Monday
    {1032, 1048, 1069, 1065},  // Tuesday
    {1033, 1049, 1071, 1070},  // Wednesday
    {1050, 1034, 1073, 1072},  // Thursday
    {1035, 1053, 1075, 1074},  // Friday
    {1036, 1054, 1077, 1076},  // Saturday
}};

namespace {
constexpr int kSwatchIds[3] = {IDC_ALL_OFF, IDC_ALL_SAFE, IDC_ORIGINAL_HOURS};
}

CTimePage::CTimePage() : PropertyPage(IDD_TIME) {}

BOOL CTimePage::onInitDialog() {
    {
        ManagerDataLink data;
        for (int day = 0; day < kDays; ++day) {
            checkCall(data->GetTotalHours(static_cast<eDAY>(day), &totals_[day]), IID_IManagerData,
                      "GetTotalHours");
        }
    }
    PropertyPage::onInitDialog();
    auto painted = [this] { changed_ = true; };
    for (int day = 0; day < kDays; ++day) {
        strips_[2 * day].attachStrip(item(kDayControls[day].amStrip), painted);
        strips_[2 * day + 1].attachStrip(item(kDayControls[day].pmStrip), painted);
    }
    for (int i = 0; i < 3; ++i) swatches_[i].attach(item(kSwatchIds[i]));
    swatches_[0].setColours(GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNFACE));
    swatches_[1].setColours(GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOW));
    swatches_[2].setColours(GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_WINDOW));
    for (const DayControls& day : kDayControls) UpDown(item(day.upDown)).setRange(0, 24);

    for (int day = 0; day < kDays; ++day) {
        ManagerDataLink data;
        ScopedVariant hours;
        checkCall(data->GetAccessHours(static_cast<eDAY>(day), hours.receive()), IID_IManagerData,
                  "GetAccessHours");
        if (auto values = shortsFromVariant(hours.get(), kHoursPerDay)) {
            for (size_t h = 0; h < values->size(); ++h) hours_[day][h] = (*values)[h];
        }
    }
    showHours();
    changed_ = false;
    return TRUE;
}

void CTimePage::doDataExchange(DataExchange& dx) {
    for (int day : kTotalsCheckOrder) {
        dx.integer(kDayControls[day].totalEdit, totals_[day]);
        if (!totalInRange(totals_[day])) dx.failWith(loadString(IDS_TOTAL_RANGE));
    }
}

void CTimePage::showHours() {
    for (int day = 0; day < kDays; ++day) {
        strips_[2 * day].setFlags(hours_[day].data());
        strips_[2 * day + 1].setFlags(hours_[day].data() + kCellsPerStrip);
    }
}

void CTimePage::collectHours() {
    for (int day = 0; day < kDays; ++day) {
        strips_[2 * day].getFlags(hours_[day].data());
        strips_[2 * day + 1].getFlags(hours_[day].data() + kCellsPerStrip);
    }
}

void CTimePage::resetAll(int flag) {
    for (DayHours& day : hours_) day.fill(flag);
    showHours();
    changed_ = true;
}

void CTimePage::onOriginalHours() {
    const DayHours pattern = originalHoursPattern();
    for (DayHours& day : hours_) day = pattern;
    totals_.fill(24);
    showHours();
    updateData(false);
    changed_ = true;
}

bool CTimePage::onCommand(int id, int code, HWND) {
    switch (id) {
        case IDC_ALL_OFF:
            if (code == BN_CLICKED) resetAll(0);
            return true;
        case IDC_ALL_SAFE:
            if (code == BN_CLICKED) resetAll(1);
            return true;
        case IDC_ORIGINAL_HOURS:
            if (code == BN_CLICKED) onOriginalHours();
            return true;
        default:
            break;
    }
    if (code == EN_CHANGE) {
        for (const DayControls& day : kDayControls) {
            if (day.totalEdit == id) {
                changed_ = true;
                return true;
            }
        }
    }
    return false;
}

void CTimePage::onDrawItem(const DRAWITEMSTRUCT& item) {
    for (CHourStrip& strip : strips_) {
        if (strip.hwnd() == item.hwndItem) return strip.drawItem(item);
    }
    for (CSwatchButton& swatch : swatches_) {
        if (swatch.hwnd() == item.hwndItem) return swatch.drawItem(item);
    }
}

void CTimePage::onSysColorChange() {
    for (CHourStrip& strip : strips_) {
        strip.loadColours();
        if (strip.hwnd()) InvalidateRect(strip.hwnd(), nullptr, TRUE);
    }
}

INT_PTR CTimePage::handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_DRAWITEM:
            onDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_SYSCOLORCHANGE:
            onSysColorChange();
            return TRUE;
        case WM_DESTROY:
            for (CHourStrip& strip : strips_) strip.detach();
            for (CSwatchButton& swatch : swatches_) swatch.detach();
            break;
        default:
            break;
    }
    return PropertyPage::handleMessage(msg, wParam, lParam);
}

void CTimePage::onOK() {
    if (!changed_) return;
    collectHours();
    for (int day = 0; day < kDays; ++day) {
        ManagerDataLink data;
        ScopedVariant array;
        SAFEARRAY* vector = SafeArrayCreateVector(VT_BOOL, 0, kHoursPerDay);
        if (!vector) checkCall(E_OUTOFMEMORY, IID_IManagerData, "SafeArrayCreateVector");
        VARIANT_BOOL* flags = nullptr;
        SafeArrayAccessData(vector, reinterpret_cast<void**>(&flags));
        for (int h = 0; h < kHoursPerDay; ++h) flags[h] = static_cast<VARIANT_BOOL>(hours_[day][h]);
        SafeArrayUnaccessData(vector);
        V_VT(array.get()) = VT_ARRAY | VT_BOOL;
        V_ARRAY(array.get()) = vector;
        checkCall(data->SetAccessHours(static_cast<eDAY>(day), array.get()), IID_IManagerData,
                  "SetAccessHours");
    }
    ManagerDataLink data;
    for (int day = 0; day < kDays; ++day) {
        checkCall(data->SetTotalHours(static_cast<eDAY>(day), totals_[day]), IID_IManagerData,
                  "SetTotalHours");
    }
    changed_ = false;
}

}  // namespace tb::manager
