// The password dialogs, the about box and the loading notice.
#pragma once

#include <string>

#include "manager/dialog.h"

namespace tb::manager {

// Verification at start; wrong passwords are counted by the application
// over the whole run, and the sixth closes the dialog.
class CPasswordDlg : public ModalDialog {
  public:
    CPasswordDlg();

  protected:
    BOOL onInitDialog() override;
    void doDataExchange(DataExchange& dx) override;
    void onOK() override;

  private:
    std::string password_;
};

// First run: the password and its confirmation; five bad tries close it.
class CNewPasswordDlg : public ModalDialog {
  public:
    CNewPasswordDlg();

  protected:
    BOOL onInitDialog() override;
    void doDataExchange(DataExchange& dx) override;
    void onOK() override;

  private:
    std::string password_, confirmation_;
    int failures_ = 0;
};

// Opened from the Admin page; the fifth failed OK closes it with 3.
class CChangePasswordDlg : public ModalDialog {
  public:
    explicit CChangePasswordDlg(HWND parent);
    static constexpr INT_PTR kGaveUp = 3;

  protected:
    BOOL onInitDialog() override;
    void doDataExchange(DataExchange& dx) override;
    void onOK() override;

  private:
    void focusEdit(int id, bool selectAll);
    std::string old_, new_, confirmation_;
    int failures_ = 0;
};

class CAboutDlg : public ModalDialog {
  public:
    explicit CAboutDlg(HWND parent);
};

// Shown (modeless, owned by the sheet) while a page fetches long lists.
class CLoadingDlg : public DialogBase {
  public:
    CLoadingDlg();
    ~CLoadingDlg() override;

  protected:
    BOOL onInitDialog() override;

  private:
    static INT_PTR CALLBACK loadingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

}  // namespace tb::manager
