// A control whose window procedure a C++ object extends (the owner-drawn
// strips and swatches, the header buttons).
#pragma once

#include <windows.h>

namespace tb::manager {

class SubclassedWindow {
  public:
    SubclassedWindow() = default;
    virtual ~SubclassedWindow() { detach(); }
    SubclassedWindow(const SubclassedWindow&) = delete;
    SubclassedWindow& operator=(const SubclassedWindow&) = delete;

    void attach(HWND hwnd);
    void detach();
    HWND hwnd() const { return hwnd_; }

  protected:
    virtual LRESULT windowProc(UINT msg, WPARAM wParam, LPARAM lParam) {
        return callOriginal(msg, wParam, lParam);
    }
    LRESULT callOriginal(UINT msg, WPARAM wParam, LPARAM lParam) {
        return CallWindowProcA(original_, hwnd_, msg, wParam, lParam);
    }
    HWND hwnd_ = nullptr;

  private:
    static LRESULT CALLBACK thunk(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    WNDPROC original_ = nullptr;
};

}  // namespace tb::manager
