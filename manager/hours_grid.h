// The Time page's rules that need no window: the hours strip's cells and
// mouse painting, the reset pattern and the check of the daily totals.
#pragma once

#include <array>
#include <optional>
#include <vector>

namespace tb::manager {

inline constexpr int kCellsPerStrip = 12;
inline constexpr int kDays = 7;
inline constexpr int kHoursPerDay = 24;

using StripFlags = std::array<int, kCellsPerStrip>;
using DayHours = std::array<int, kHoursPerDay>;

// "Original Hours": 6:00 AM to 9:00 PM open (hours 6 to 20).
DayHours originalHoursPattern();

// Cell i spans [left + i*w, left + (i+1)*w) with w = width / 12; the last
// cell takes the pixels that the division leaves over.
struct CellSpan {
    int left;
    int right;
};
std::array<CellSpan, kCellsPerStrip> cellLayout(int itemLeft, int itemRight);

// The cell under a horizontal position: x / width of cell 0, clamped.
int hitCell(int x, int firstCellWidth);

// A strip's painting by mouse. Only the value 1 counts as an open cell.
class StripPainter {
  public:
    explicit StripPainter(StripFlags flags = {}) : flags_(flags) {}

    // Button down: flips the cell and paints with its new value. Returns the
    // cells whose flag changed (to redraw).
    std::vector<int> press(int cell);
    // Mouse move while tracking: paints every cell between the last one and
    // this one.
    std::vector<int> moveTo(int cell);
    void release();

    bool tracking() const { return tracking_; }
    int lastCell() const { return last_; }
    const StripFlags& flags() const { return flags_; }
    void setFlags(const StripFlags& flags) { flags_ = flags; }
    static bool isOpen(int flag) { return flag == 1; }

  private:
    StripFlags flags_;
    bool tracking_ = false;
    int last_ = -1;
    int paint_ = 0;
};

// The daily totals are checked in the order in which the page exchanges
// its edits: Friday, Monday, Saturday, Sunday, Thursday, Tuesday, Wednesday.
inline constexpr std::array<int, kDays> kTotalsCheckOrder = {5, 1, 6, 0, 4, 2, 3};
inline bool totalInRange(int hours) {
    return hours >= 0 && hours <= 24;
}
// The first day (in check order) whose total is out of range.
std::optional<int> firstTotalOutOfRange(const std::array<int, kDays>& totals);

}  // namespace tb::manager
