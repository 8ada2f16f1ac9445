#include "manager/controls.h"

namespace tb::manager {

std::string windowText(HWND hwnd) {
    const int n = GetWindowTextLengthA(hwnd);
    std::string text(n > 0 ? n + 1 : 1, '\0');
    const int got = GetWindowTextA(hwnd, text.data(), static_cast<int>(text.size()));
    text.resize(got > 0 ? got : 0);
    return text;
}

void setWindowText(HWND hwnd, const std::string& text) {
    SetWindowTextA(hwnd, text.c_str());
}

std::string ListBox::getText(int i) const {
    const int n = textLength(i);
    if (n <= 0) return {};
    std::string text(n + 1, '\0');
    const int got = static_cast<int>(send(LB_GETTEXT, i, (LPARAM)text.data()));
    text.resize(got > 0 ? got : 0);
    return text;
}

std::vector<int> ListBox::selItems(int max) const {
    std::vector<int> items(max > 0 ? max : 0);
    if (items.empty()) return items;
    const int got = static_cast<int>(send(LB_GETSELITEMS, max, (LPARAM)items.data()));
    items.resize(got > 0 ? got : 0);
    return items;
}

std::string TabCtrl::itemText(int i) const {
    char buffer[101] = "";
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 100;
    send(TCM_GETITEMA, i, (LPARAM)&item);
    return buffer;
}

void TabCtrl::setItemText(int i, const std::string& text) const {
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = const_cast<char*>(text.c_str());
    send(TCM_SETITEMA, i, (LPARAM)&item);
}

}  // namespace tb::manager
