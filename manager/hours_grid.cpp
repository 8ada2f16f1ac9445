#include "manager/hours_grid.h"

namespace tb::manager {

DayHours originalHoursPattern() {
    DayHours hours{};
    for (int h = 6; h <= 20; ++h) hours[h] = 1;
    return hours;
}

std::array<CellSpan, kCellsPerStrip> cellLayout(int itemLeft, int itemRight) {
    std::array<CellSpan, kCellsPerStrip> cells{};
    const int w = (itemRight - itemLeft) / kCellsPerStrip;
    for (int i = 0; i < kCellsPerStrip; ++i) {
        cells[i] = {itemLeft + i * w, itemLeft + (i + 1) * w};
    }
    cells[kCellsPerStrip - 1].right = itemRight;
    return cells;
}

int hitCell(int x, int firstCellWidth) {
    if (firstCellWidth <= 0 || x < 0) return 0;
    const int cell = x / firstCellWidth;
    return cell > kCellsPerStrip - 1 ? kCellsPerStrip - 1 : cell;
}

std::vector<int> StripPainter::press(int cell) {
    tracking_ = true;
    flags_[cell] = isOpen(flags_[cell]) ? 0 : 1;
    paint_ = flags_[cell];
    last_ = cell;
    return {cell};
}

std::vector<int> StripPainter::moveTo(int cell) {
    std::vector<int> changed;
    if (!tracking_ || cell == last_) return changed;
    const int from = cell < last_ ? cell : last_ + 1;
    const int to = cell < last_ ? last_ : cell;
    for (int i = from; i <= to; ++i) {
        if (flags_[i] != paint_) {
            flags_[i] = paint_;
            changed.push_back(i);
        }
    }
    last_ = cell;
    return changed;
}

void StripPainter::release() {
    tracking_ = false;
    last_ = -1;
}

std::optional<int> firstTotalOutOfRange(const std::array<int, kDays>& totals) {
    for (int day : kTotalsCheckOrder) {
        if (!totalInRange(totals[day])) return day;
    }
    return std::nullopt;
}

}  // namespace tb::manager
