#include "manager/list_controls.h"

namespace tb::manager {

int CHScrollListBox::textWidth(const std::string& text) const {
    HFONT listFont = font();
    if (!listFont) return -1;
    HDC dc = GetDC(hwnd_);
    HGDIOBJ old = SelectObject(dc, listFont);
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(hwnd_, dc);
    return size.cx + metrics.tmAveCharWidth;
}

int CHScrollListBox::addString(const std::string& text) const {
    const int width = textWidth(text);
    if (width > horizontalExtent()) setHorizontalExtent(width);
    return ListBox::addString(text);
}

int CHScrollListBox::insertString(int index, const std::string& text) const {
    const int result = ListBox::insertString(index, text);
    if (result >= 0) {
        const int width = textWidth(text);
        if (width > horizontalExtent()) setHorizontalExtent(width);
    }
    return result;
}

void CHScrollListBox::resetContent() const {
    setHorizontalExtent(0);
    ListBox::resetContent();
}

void CHScrollListBox::recomputeExtent() const {
    if (!font()) {
        setHorizontalExtent(0);
        return;
    }
    int widest = 0;
    for (int i = 0, n = count(); i < n; ++i) {
        const std::string text = getText(i);
        if (text.empty()) continue;
        const int width = textWidth(text);
        if (width > widest) widest = width;
    }
    setHorizontalExtent(widest);
}

LRESULT CHeaderButton::windowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_GETDLGCODE:
            return DLGC_DEFPUSHBUTTON;
        case WM_SETFOCUS:
            return 0;
        default:
            return callOriginal(msg, wParam, lParam);
    }
}

}  // namespace tb::manager
