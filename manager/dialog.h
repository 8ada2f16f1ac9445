// The least dialog framework the Manager needs: a dialog base whose window
// procedure is a switch calling named handlers, the data exchange between
// members and controls (with validation that keeps the parent on a dialog),
// modal dialogs, and the report of a failed service call.
#pragma once

#include <windows.h>

#include <string>

#include "manager/controls.h"

namespace tb {
class ComCallError;
}

namespace tb::manager {

class DialogBase;

// Thrown by DataExchange::fail; ends the exchange with a failure.
struct ExchangeFailed {};

// One exchange between a dialog's controls and its members. Saving reads
// the controls; loading writes them.
class DataExchange {
  public:
    DataExchange(DialogBase& dialog, bool saving) : dialog_(dialog), saving_(saving) {}
    bool saving() const { return saving_; }

    void text(int id, std::string& value);
    // Whole numbers only; anything else shows "Please enter an integer."
    void integer(int id, int& value);
    void integer(int id, short& value);
    // The index of the checked button of the group starting at firstId, -1
    // for none.
    void radio(int firstId, int& index);
    void check(int id, int& value);
    // Shows `message` (with the exclamation icon) and fails, leaving the
    // focus in the control exchanged last.
    [[noreturn]] void failWith(const std::string& message);
    [[noreturn]] void fail();

  private:
    HWND prepare(int id);
    DialogBase& dialog_;
    bool saving_;
    HWND last_ = nullptr;
    bool lastIsEdit_ = false;
};

class DialogBase {
  public:
    DialogBase() = default;
    virtual ~DialogBase() = default;
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    HWND hwnd() const { return hwnd_; }
    HWND item(int id) const { return GetDlgItem(hwnd_, id); }
    // Runs doDataExchange; false when a check failed (the focus is then on
    // the offending control).
    bool updateData(bool save);

  protected:
    // The message switch: each case calls one named handler.
    virtual INT_PTR handleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    virtual BOOL onInitDialog() {
        updateData(false);
        return TRUE;
    }
    // Returns true when the command was handled.
    virtual bool onCommand(int id, int code, HWND control) { return false; }
    virtual bool onNotify(NMHDR* header, LRESULT& result) { return false; }
    virtual void doDataExchange(DataExchange&) {}

    bool exchanging() const { return exchanging_; }
    // A notification from a control (not a menu or accelerator command).
    static bool isControlNotification(LPARAM lParam) { return lParam != 0; }
    void setMessageResult(LRESULT result) { SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result); }
    int messageBox(const std::string& text, UINT type = MB_OK);
    int messageBox(UINT stringId, UINT type = MB_OK);

    // Window procedures of modal dialogs and of pages; `self` arrives with
    // WM_INITDIALOG and is kept in DWLP_USER.
    static INT_PTR dispatch(DialogBase* self, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static DialogBase* fromWindow(HWND hwnd) {
        return reinterpret_cast<DialogBase*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    }

    HWND hwnd_ = nullptr;

  private:
    bool exchanging_ = false;
};

class ModalDialog : public DialogBase {
  public:
    ModalDialog(int templateId, HWND parent = nullptr) : templateId_(templateId), parent_(parent) {}
    INT_PTR doModal();

  protected:
    bool onCommand(int id, int code, HWND control) override;
    virtual void onOK() {
        if (updateData(true)) endDialog(IDOK);
    }
    virtual void onCancel() { endDialog(IDCANCEL); }
    void endDialog(INT_PTR result) { EndDialog(hwnd_, result); }

  private:
    static INT_PTR CALLBACK modalProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    int templateId_;
    HWND parent_;
};

// The program's message boxes: caption "Tamberly", owned by `owner`.
int showMessage(HWND owner, const std::string& text, UINT type = MB_OK);
std::string loadString(UINT id);
// A failed service call: the operation and its status, in a message box.
void reportServiceError(HWND owner, const ComCallError& error);

HINSTANCE appInstance();

}  // namespace tb::manager
