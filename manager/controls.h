// Thin control wrappers: a window handle and one line per message. Nothing
// is cached; the logic above them reads like the pages' rules.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace tb::manager {

std::string windowText(HWND hwnd);
void setWindowText(HWND hwnd, const std::string& text);

class Control {
  public:
    Control() = default;
    explicit Control(HWND hwnd) : hwnd_(hwnd) {}
    HWND hwnd() const { return hwnd_; }
    void attach(HWND hwnd) { hwnd_ = hwnd; }
    explicit operator bool() const { return hwnd_ != nullptr; }
    LRESULT send(UINT msg, WPARAM w = 0, LPARAM l = 0) const {
        return SendMessageA(hwnd_, msg, w, l);
    }
    std::string text() const { return windowText(hwnd_); }
    void setText(const std::string& text) const { setWindowText(hwnd_, text); }
    void enable(bool on) const { EnableWindow(hwnd_, on); }
    void focus() const { SetFocus(hwnd_); }

  protected:
    HWND hwnd_ = nullptr;
};

class Button : public Control {
  public:
    using Control::Control;
    int checked() const { return static_cast<int>(send(BM_GETCHECK)); }
    void setChecked(int state) const { send(BM_SETCHECK, state); }
};

class Edit : public Control {
  public:
    using Control::Control;
    void selectAll() const { send(EM_SETSEL, 0, -1); }
};

class ListBox : public Control {
  public:
    using Control::Control;
    int count() const { return static_cast<int>(send(LB_GETCOUNT)); }
    int addString(const std::string& s) const {
        return static_cast<int>(send(LB_ADDSTRING, 0, (LPARAM)s.c_str()));
    }
    int insertString(int i, const std::string& s) const {
        return static_cast<int>(send(LB_INSERTSTRING, i, (LPARAM)s.c_str()));
    }
    int deleteString(int i) const { return static_cast<int>(send(LB_DELETESTRING, i)); }
    void resetContent() const { send(LB_RESETCONTENT); }
    std::string getText(int i) const;
    int textLength(int i) const { return static_cast<int>(send(LB_GETTEXTLEN, i)); }
    LPARAM itemData(int i) const { return send(LB_GETITEMDATA, i); }
    void setItemData(int i, LPARAM d) const { send(LB_SETITEMDATA, i, d); }
    int selCount() const { return static_cast<int>(send(LB_GETSELCOUNT)); }
    std::vector<int> selItems(int max) const;
    void setSel(int i, bool on) const { send(LB_SETSEL, on, i); }  // i == -1: every entry
    int caretIndex() const { return static_cast<int>(send(LB_GETCARETINDEX)); }
    int findStringExact(int start, const std::string& s) const {
        return static_cast<int>(send(LB_FINDSTRINGEXACT, start, (LPARAM)s.c_str()));
    }
    int horizontalExtent() const { return static_cast<int>(send(LB_GETHORIZONTALEXTENT)); }
    void setHorizontalExtent(int cx) const { send(LB_SETHORIZONTALEXTENT, cx); }
    HFONT font() const { return reinterpret_cast<HFONT>(send(WM_GETFONT)); }
};

class ComboBox : public Control {
  public:
    using Control::Control;
    int addString(const std::string& s) const {
        return static_cast<int>(send(CB_ADDSTRING, 0, (LPARAM)s.c_str()));
    }
    int selectString(int start, const std::string& s) const {
        return static_cast<int>(send(CB_SELECTSTRING, start, (LPARAM)s.c_str()));
    }
    int curSel() const { return static_cast<int>(send(CB_GETCURSEL)); }
    int count() const { return static_cast<int>(send(CB_GETCOUNT)); }
};

class TabCtrl : public Control {
  public:
    using Control::Control;
    int curSel() const { return static_cast<int>(send(TCM_GETCURSEL)); }
    std::string itemText(int i) const;
    void setItemText(int i, const std::string& text) const;
    RECT itemRect(int i) const {
        RECT r{};
        send(TCM_GETITEMRECT, i, (LPARAM)&r);
        return r;
    }
    void setItemSize(int cx, int cy) const { send(TCM_SETITEMSIZE, 0, MAKELPARAM(cx, cy)); }
};

class UpDown : public Control {
  public:
    using Control::Control;
    void setRange(int low, int high) const { send(UDM_SETRANGE32, low, high); }
};

}  // namespace tb::manager
