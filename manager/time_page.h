// CTimePage ("Time"): the open hours of each weekday and the hours per day.
#pragma once

#include <array>

#include "manager/hour_strip.h"
#include "manager/hours_grid.h"
#include "manager/property_sheet.h"

namespace tb::manager {

class CTimePage : public PropertyPage {
  public:
    CTimePage();

    // The controls of day d (eDAY order).
    struct DayControls {
        int amStrip;
        int pmStrip;
        int totalEdit;
        int upDown;
    };
    static const std::array<DayControls, kDays> kDayControls;

  protected:
    BOOL onInitDialog() override;
    INT_PTR handleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
    bool onCommand(int id, int code, HWND control) override;
    void doDataExchange(DataExchange& dx) override;
    void onOK() override;

  private:
    void showHours();
    void collectHours();
    void resetAll(int flag);
    void onOriginalHours();
    void onDrawItem(const DRAWITEMSTRUCT& item);
    void onSysColorChange();

    std::array<DayHours, kDays> hours_{};
    std::array<short, kDays> totals_{};
    bool changed_ = false;
    std::array<CHourStrip, 2 * kDays> strips_;
    std::array<CSwatchButton, 3> swatches_;
};

}  // namespace tb::manager
