// Drives Tamberly.exe from outside by window messages, as a parent would
// with mouse and keyboard, against whichever service runs in the prefix.
// The recording fake service is started and read by FakeService.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tb::test {

// The directory of the running test program (with a trailing backslash);
// Tamberly.exe and the fakes are built beside it.
std::string programDirectory();

// One run of the recording fake service with a script of its own.
class FakeService {
  public:
    explicit FakeService(const std::vector<std::string>& script, const std::string& name = "fake");
    ~FakeService();
    FakeService(const FakeService&) = delete;
    FakeService& operator=(const FakeService&) = delete;

    bool running() const { return process_ != nullptr; }
    // Why it is not running, when it never started.
    const std::string& failure() const { return failure_; }
    void stop();
    // Every call recorded so far, one per line, in order.
    std::vector<std::string> calls() const;
    // The calls recorded after the last mark().
    std::vector<std::string> callsSinceMark() const;
    void mark();
    const std::string& logPath() const { return logPath_; }

  private:
    HANDLE process_ = nullptr;
    HANDLE quit_ = nullptr;
    std::string logPath_;
    std::string failure_;
    size_t mark_ = 0;
};

// A message box shown by the Manager: its text, answered with OK.
struct SeenMessageBox {
    HWND hwnd = nullptr;
    std::string text;
    bool hasIcon = false;
};

class ManagerProcess {
  public:
    ManagerProcess();
    ~ManagerProcess();
    ManagerProcess(const ManagerProcess&) = delete;
    ManagerProcess& operator=(const ManagerProcess&) = delete;

    bool start();
    DWORD pid() const { return pid_; }
    HANDLE handle() const { return process_; }
    bool waitForExit(DWORD ms = 10000);
    bool hasExited() const { return WaitForSingleObject(process_, 0) == WAIT_OBJECT_0; }

    // A visible top-level window of this process with the title (or nullptr).
    HWND findWindow(const std::string& title) const;
    HWND waitForWindow(const std::string& title, DWORD ms = 10000) const;
    // The next message box of this process; nullptr hwnd after the timeout.
    SeenMessageBox waitForMessageBox(DWORD ms = 10000) const;
    bool noMessageBox() const;

    // Start-up with the right password: the sheet, or nullptr.
    HWND logIn(const std::string& password);

    // Reads a tab's caption from the sheet's tab control.
    std::string tabText(HWND sheet, int index) const;

  private:
    HANDLE process_ = nullptr;
    DWORD pid_ = 0;
};

// Dialog automation. click() returns when the click is handled; postClick()
// when the click is queued (for clicks that open a modal window).
void click(HWND dialog, int id);
void postClick(HWND dialog, int id);
void setText(HWND dialog, int id, const std::string& text);
std::string text(HWND dialog, int id);
std::string windowText(HWND hwnd);
bool isChecked(HWND dialog, int id);
bool isEnabled(HWND dialog, int id);
void answerMessageBox(const SeenMessageBox& box);
// Presses Enter in an edit the way the keyboard does (through the dialog
// manager), and waits until the Manager has handled it.
void pressEnter(HWND edit);
// Waits until every message posted to the edit's thread so far is handled.
bool barrier(HWND edit);

// List boxes.
std::vector<std::string> listItems(HWND dialog, int id);
std::string listItemText(HWND list, int index);
std::vector<std::string> comboItems(HWND combo);
std::string narrow(const std::wstring& wide);
void selectItems(HWND dialog, int id, const std::vector<int>& indices);
void clearSelection(HWND dialog, int id);

// The property sheet.
HWND currentPage(HWND sheet);
HWND selectPage(HWND sheet, int index);
int currentPageIndex(HWND sheet);
// Clicks a tab with the mouse (80-pixel tabs on one row).
void clickTab(HWND sheet, int index);
HWND tabControl(HWND sheet);

// Mouse on a control, in its client coordinates.
void mouseDown(HWND control, int x, int y);
void mouseMove(HWND control, int x, int y);
void mouseUp(HWND control, int x, int y);

LRESULT send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Sleeps in small steps until the condition holds or the time is up.
template <class Condition>
bool waitFor(Condition condition, DWORD ms = 10000) {
    const DWORD start = GetTickCount();
    for (;;) {
        if (condition()) return true;
        if (GetTickCount() - start > ms) return false;
        Sleep(10);
    }
}

}  // namespace tb::test
