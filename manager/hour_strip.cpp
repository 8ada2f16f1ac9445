#include "manager/hour_strip.h"

#include <windowsx.h>

#include <string>

namespace tb::manager {

// --- CHourStrip -------------------------------------------------------------

void CHourStrip::attachStrip(HWND hwnd, std::function<void()> onPainted) {
    attach(hwnd);
    onPainted_ = std::move(onPainted);
}

void CHourStrip::loadColours() {
    colours_ = {GetSysColor(COLOR_BTNFACE),      GetSysColor(COLOR_WINDOW),
                GetSysColor(COLOR_BTNTEXT),      GetSysColor(COLOR_WINDOWTEXT),
                GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW)};
}

void CHourStrip::setFlags(const int* flags) {
    StripFlags f{};
    for (int i = 0; i < kCellsPerStrip; ++i) f[i] = flags[i];
    painter_.setFlags(f);
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void CHourStrip::getFlags(int* flags) const {
    for (int i = 0; i < kCellsPerStrip; ++i) flags[i] = painter_.flags()[i];
}

void CHourStrip::layOut(const RECT& item) {
    const auto spans = cellLayout(item.left, item.right);
    for (int i = 0; i < kCellsPerStrip; ++i)
        cells_[i] = {spans[i].left, item.top, spans[i].right, item.bottom};
    laidOut_ = true;
}

void CHourStrip::drawCell(HDC dc, int cell) {
    RECT r = cells_[cell];
    const bool open = StripPainter::isOpen(painter_.flags()[cell]);
    HBRUSH fill = CreateSolidBrush(open ? colours_[kWindow] : colours_[kFace]);
    FillRect(dc, &r, fill);
    DeleteObject(fill);
    // One-pixel 3-D frame: sunken for an open hour, raised for a closed one.
    const COLORREF topLeft = open ? colours_[kShadow] : colours_[kHighlight];
    const COLORREF bottomRight = open ? colours_[kHighlight] : colours_[kShadow];
    HPEN light = CreatePen(PS_SOLID, 1, topLeft), dark = CreatePen(PS_SOLID, 1, bottomRight);
    HGDIOBJ oldPen = SelectObject(dc, light);
    MoveToEx(dc, r.left, r.bottom - 1, nullptr);
    LineTo(dc, r.left, r.top);
    LineTo(dc, r.right - 1, r.top);
    SelectObject(dc, dark);
    LineTo(dc, r.right - 1, r.bottom - 1);
    LineTo(dc, r.left, r.bottom - 1);
    SelectObject(dc, oldPen);
    DeleteObject(light);
    DeleteObject(dark);

    const std::string label = std::to_string(cell == 0 ? 12 : cell);
    HFONT font =
        CreateFontA(-MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE,
                    FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                    DEFAULT_PITCH | FF_ROMAN, "MS Serif");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, open ? colours_[kWindowText] : colours_[kButtonText]);
    if (open) {
        r.left += 1;
        r.top += 1;
    }
    DrawTextA(dc, label.c_str(), -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOCLIP);
    SelectObject(dc, oldFont);
    DeleteObject(font);
}

void CHourStrip::drawItem(const DRAWITEMSTRUCT& item) {
    if (!(item.itemAction & ODA_DRAWENTIRE)) return;
    if (!laidOut_) layOut(item.rcItem);
    for (int i = 0; i < kCellsPerStrip; ++i) drawCell(item.hDC, i);
}

void CHourStrip::redraw(const std::vector<int>& cells) {
    if (cells.empty()) return;
    HDC dc = GetDC(hwnd_);
    for (int cell : cells) drawCell(dc, cell);
    ReleaseDC(hwnd_, dc);
}

int CHourStrip::cellAt(LPARAM lParam) {
    if (!laidOut_) {
        RECT client{};
        GetClientRect(hwnd_, &client);
        layOut(client);
    }
    return hitCell(GET_X_LPARAM(lParam), cells_[0].right - cells_[0].left);
}

LRESULT CHourStrip::windowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            SetCapture(hwnd_);
            redraw(painter_.press(cellAt(lParam)));
            if (onPainted_) onPainted_();
            return 0;
        case WM_MOUSEMOVE:
            // Only a move with the button held paints: the system's own move
            // after the capture is taken carries the cursor's position, not
            // the drag's.
            if (painter_.tracking() && (wParam & MK_LBUTTON))
                redraw(painter_.moveTo(cellAt(lParam)));
            return 0;
        case WM_LBUTTONUP:
            if (painter_.tracking()) {
                painter_.release();
                ReleaseCapture();
            }
            return 0;
        case WM_CAPTURECHANGED:
            painter_.release();
            return 0;
        default:
            return callOriginal(msg, wParam, lParam);
    }
}

// --- CSwatchButton ----------------------------------------------------------

void CSwatchButton::setColours(COLORREF left, COLORREF right) {
    left_ = left;
    right_ = right;
    if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

void CSwatchButton::drawItem(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    RECT r = item.rcItem;
    HBRUSH frame = CreateSolidBrush(GetSysColor(COLOR_BTNTEXT));
    FrameRect(dc, &r, frame);
    DeleteObject(frame);
    InflateRect(&r, -1, -1);
    HBRUSH face = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    FillRect(dc, &r, face);
    DeleteObject(face);
    DrawEdge(dc, &r, pressed_ ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
    InflateRect(&r, -2, -2);
    if (pressed_) OffsetRect(&r, 1, 1);
    const int middle = r.left + (r.right - r.left) / 2;
    RECT leftHalf{r.left, r.top, middle, r.bottom}, rightHalf{middle, r.top, r.right, r.bottom};
    HBRUSH leftBrush = CreateSolidBrush(left_), rightBrush = CreateSolidBrush(right_);
    FillRect(dc, &leftHalf, leftBrush);
    FillRect(dc, &rightHalf, rightBrush);
    DeleteObject(leftBrush);
    DeleteObject(rightBrush);
}

bool CSwatchButton::pointerInside(LPARAM lParam) const {
    RECT client{};
    GetClientRect(hwnd_, &client);
    const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return PtInRect(&client, p) != FALSE;
}

void CSwatchButton::setPressed(bool pressed) {
    if (pressed_ == pressed) return;
    pressed_ = pressed;
    InvalidateRect(hwnd_, nullptr, FALSE);
    UpdateWindow(hwnd_);
}

LRESULT CSwatchButton::windowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            SetCapture(hwnd_);
            tracking_ = true;
            setPressed(true);
            return 0;
        case WM_MOUSEMOVE:
            if (tracking_ && GetCapture() == hwnd_) setPressed(pointerInside(lParam));
            return 0;
        case WM_LBUTTONUP: {
            if (!tracking_) return 0;
            tracking_ = false;
            ReleaseCapture();
            if (pointerInside(lParam)) {
                PostMessageA(GetParent(hwnd_), WM_COMMAND,
                             MAKEWPARAM(GetDlgCtrlID(hwnd_), BN_CLICKED),
                             reinterpret_cast<LPARAM>(hwnd_));
            }
            setPressed(false);
            return 0;
        }
        case WM_CAPTURECHANGED:
            tracking_ = false;
            setPressed(false);
            return 0;
        default:
            return callOriginal(msg, wParam, lParam);
    }
}

}  // namespace tb::manager
