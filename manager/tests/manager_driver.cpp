#include "manager/tests/manager_driver.h"

#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "service/process/tests/wine_test_support.h"

namespace tb::test {

namespace {

std::string uniqueName(const char* stem) {
    static LONG counter = 0;
    return std::string(stem) + "-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(InterlockedIncrement(&counter));
}

std::vector<std::string> readLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

struct FindData {
    DWORD pid;
    std::string title;
    std::string className;
    HWND found;
};

BOOL CALLBACK findTopLevel(HWND hwnd, LPARAM lParam) {
    auto* data = reinterpret_cast<FindData*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid != data->pid || !IsWindowVisible(hwnd)) return TRUE;
    if (!data->title.empty() && windowText(hwnd) != data->title) return TRUE;
    if (!data->className.empty()) {
        char cls[64] = "";
        GetClassNameA(hwnd, cls, sizeof cls);
        if (data->className != cls) return TRUE;
    }
    data->found = hwnd;
    return FALSE;
}

HWND findOwnedWindow(DWORD pid, const std::string& title, const std::string& className) {
    FindData data{pid, title, className, nullptr};
    EnumWindows(findTopLevel, reinterpret_cast<LPARAM>(&data));
    return data.found;
}

BOOL CALLBACK collectStatic(HWND hwnd, LPARAM lParam) {
    auto* box = reinterpret_cast<SeenMessageBox*>(lParam);
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") != 0) return TRUE;
    if ((GetWindowLongA(hwnd, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) {
        if (IsWindowVisible(hwnd) && SendMessageA(hwnd, STM_GETICON, 0, 0)) box->hasIcon = true;
        return TRUE;
    }
    const std::string t = windowText(hwnd);
    if (!t.empty()) box->text += (box->text.empty() ? "" : "\n") + t;
    return TRUE;
}

}  // namespace

// A message sent to the Manager: a test whose action opens a modal window
// should have posted it, so a send that does not return fails instead of
// hanging the suite.
LRESULT send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(hwnd, msg, wParam, lParam, SMTO_NORMAL, 20000, &result)) {
        ADD_FAILURE() << "message " << msg << " was not handled within 20 seconds";
    }
    return static_cast<LRESULT>(result);
}

std::string narrow(const std::wstring& wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), size, out.data(), n, nullptr, nullptr);
    return out;
}

std::string programDirectory() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string dir(path);
    return dir.substr(0, dir.rfind('\\') + 1);
}

// --- FakeService ------------------------------------------------------------

FakeService::FakeService(const std::vector<std::string>& script, const std::string& name) {
    const std::string stem = programDirectory() + uniqueName(name.c_str());
    const std::string scriptPath = stem + ".script";
    logPath_ = stem + ".calls";
    {
        std::ofstream out(scriptPath, std::ios::binary | std::ios::trunc);
        for (const std::string& line : script) out << line << "\n";
        std::ofstream(logPath_, std::ios::binary | std::ios::trunc);
    }
    const std::string readyName = uniqueName("TamberlyFakeReady");
    const std::string quitName = uniqueName("TamberlyFakeQuit");
    HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
    quit_ = CreateEventA(nullptr, TRUE, FALSE, quitName.c_str());
    std::string command = "\"" + programDirectory() + "fake_tbserv.exe\" \"" + scriptPath +
                          "\" \"" + logPath_ + "\" " + readyName + " " + quitName;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (tb::testing::startProcess(nullptr, command, FALSE, si, pi)) {
        CloseHandle(pi.hThread);
        HANDLE both[2] = {ready, pi.hProcess};
        const DWORD woke = WaitForMultipleObjects(2, both, FALSE, 20000);
        if (woke == WAIT_OBJECT_0) {
            process_ = pi.hProcess;
        } else {
            DWORD code = 0;
            if (woke == WAIT_OBJECT_0 + 1 && GetExitCodeProcess(pi.hProcess, &code)) {
                char hex[16];
                snprintf(hex, sizeof hex, "0x%08lx", static_cast<unsigned long>(code));
                failure_ = std::string("it ended before it was ready, with exit code ") + hex;
            } else {
                failure_ = "it was not ready within 20 seconds";
            }
            TerminateProcess(pi.hProcess, 1);
            CloseHandle(pi.hProcess);
        }
    } else {
        failure_ = "CreateProcess failed with error " + std::to_string(GetLastError());
    }
    CloseHandle(ready);
}

FakeService::~FakeService() {
    stop();
    if (quit_) CloseHandle(quit_);
}

void FakeService::stop() {
    if (!process_) return;
    SetEvent(quit_);
    if (WaitForSingleObject(process_, 10000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
    CloseHandle(process_);
    process_ = nullptr;
}

std::vector<std::string> FakeService::calls() const {
    return readLines(logPath_);
}

std::vector<std::string> FakeService::callsSinceMark() const {
    std::vector<std::string> all = calls();
    if (mark_ >= all.size()) return {};
    return std::vector<std::string>(all.begin() + static_cast<long>(mark_), all.end());
}

void FakeService::mark() {
    mark_ = calls().size();
}

// --- ManagerProcess ---------------------------------------------------------

ManagerProcess::ManagerProcess() = default;

ManagerProcess::~ManagerProcess() {
    if (!process_) return;
    if (!hasExited()) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, 5000);
    }
    CloseHandle(process_);
}

bool ManagerProcess::start() {
    std::string command = "\"" + programDirectory() + "Tamberly.exe\"";
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!tb::testing::startProcess(nullptr, command, FALSE, si, pi)) return false;
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    return true;
}

bool ManagerProcess::waitForExit(DWORD ms) {
    return WaitForSingleObject(process_, ms) == WAIT_OBJECT_0;
}

HWND ManagerProcess::findWindow(const std::string& title) const {
    return findOwnedWindow(pid_, title, "");
}

HWND ManagerProcess::waitForWindow(const std::string& title, DWORD ms) const {
    HWND found = nullptr;
    waitFor([&] { return (found = findWindow(title)) != nullptr || hasExited(); }, ms);
    return found;
}

SeenMessageBox ManagerProcess::waitForMessageBox(DWORD ms) const {
    SeenMessageBox box;
    waitFor(
        [&] {
            return (box.hwnd = findOwnedWindow(pid_, "Tamberly", "#32770")) != nullptr ||
                   hasExited();
        },
        ms);
    if (box.hwnd) EnumChildWindows(box.hwnd, collectStatic, reinterpret_cast<LPARAM>(&box));
    return box;
}

bool ManagerProcess::noMessageBox() const {
    return findOwnedWindow(pid_, "Tamberly", "#32770") == nullptr;
}

HWND ManagerProcess::logIn(const std::string& password) {
    if (!process_ && !start()) return nullptr;
    HWND dialog = waitForWindow("Tamberly Password Verification");
    if (!dialog) return nullptr;
    setText(dialog, 1022, password);
    postClick(dialog, IDOK);
    return waitForWindow("Tamberly Manager");
}

std::string ManagerProcess::tabText(HWND sheet, int index) const {
    HWND tabs = tabControl(sheet);
    // The tab control reads and writes the item in its own process.
    struct Remote {
        TCITEMA item;
        char text[128];
    };
    void* remote = VirtualAllocEx(process_, nullptr, sizeof(Remote), MEM_COMMIT, PAGE_READWRITE);
    if (!remote) return "<no memory>";
    Remote local{};
    local.item.mask = TCIF_TEXT;
    local.item.pszText = static_cast<Remote*>(remote)->text;
    local.item.cchTextMax = sizeof local.text;
    SIZE_T moved = 0;
    WriteProcessMemory(process_, remote, &local, sizeof local, &moved);
    SendMessageA(tabs, TCM_GETITEMA, index, reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process_, remote, &local, sizeof local, &moved);
    VirtualFreeEx(process_, remote, 0, MEM_RELEASE);
    local.text[sizeof local.text - 1] = '\0';
    return local.text;
}

// --- Dialog automation ------------------------------------------------------

std::string windowText(HWND hwnd) {
    char buffer[4096] = "";
    SendMessageA(hwnd, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

void click(HWND dialog, int id) {
    send(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}
void postClick(HWND dialog, int id) {
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void setText(HWND dialog, int id, const std::string& text) {
    send(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

std::string text(HWND dialog, int id) {
    return windowText(GetDlgItem(dialog, id));
}

bool isChecked(HWND dialog, int id) {
    return SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool isEnabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

void answerMessageBox(const SeenMessageBox& box) {
    if (!box.hwnd) return;
    HWND ok = GetDlgItem(box.hwnd, IDOK);
    if (ok) {
        PostMessageA(ok, BM_CLICK, 0, 0);
    } else {
        PostMessageA(box.hwnd, WM_COMMAND, IDOK, 0);
    }
    waitFor([&] { return !IsWindow(box.hwnd); }, 5000);
}

bool barrier(HWND edit) {
    const LRESULT limit = SendMessageA(edit, EM_GETLIMITTEXT, 0, 0);
    const LRESULT probe = limit == 12345 ? 12346 : 12345;
    PostMessageA(edit, EM_SETLIMITTEXT, probe, 0);
    const bool done = waitFor([&] { return SendMessageA(edit, EM_GETLIMITTEXT, 0, 0) == probe; });
    SendMessageA(edit, EM_SETLIMITTEXT, limit, 0);
    return done;
}

void pressEnter(HWND edit) {
    PostMessageA(edit, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageA(edit, WM_CHAR, '\r', 0x001C0001);
    PostMessageA(edit, WM_KEYUP, VK_RETURN, 0xC01C0001);
    barrier(edit);
}

std::vector<std::string> listItems(HWND dialog, int id) {
    HWND list = GetDlgItem(dialog, id);
    std::vector<std::string> items;
    const int n = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) items.push_back(listItemText(list, i));
    return items;
}

// Across processes the item texts of list and combo boxes arrive intact
// only through the wide messages.
std::string listItemText(HWND list, int index) {
    std::wstring wide(SendMessageW(list, LB_GETTEXTLEN, index, 0) + 1, L'\0');
    const LRESULT got =
        SendMessageW(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(wide.data()));
    return narrow(wide.substr(0, got > 0 ? got : 0));
}

std::vector<std::string> comboItems(HWND combo) {
    std::vector<std::string> items;
    const int n = static_cast<int>(SendMessageW(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        std::wstring wide(SendMessageW(combo, CB_GETLBTEXTLEN, i, 0) + 1, L'\0');
        const LRESULT got =
            SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide.data()));
        items.push_back(narrow(wide.substr(0, got > 0 ? got : 0)));
    }
    return items;
}

// Selects as a click on the list does: the list tells its page.
void selectItems(HWND dialog, int id, const std::vector<int>& indices) {
    HWND list = GetDlgItem(dialog, id);
    send(list, LB_SETSEL, FALSE, -1);
    for (int i : indices) send(list, LB_SETSEL, TRUE, i);
    if (!indices.empty()) send(list, LB_SETCARETINDEX, indices.back(), FALSE);
    send(dialog, WM_COMMAND, MAKEWPARAM(id, LBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

void clearSelection(HWND dialog, int id) {
    selectItems(dialog, id, {});
}

HWND currentPage(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

HWND selectPage(HWND sheet, int index) {
    send(sheet, PSM_SETCURSEL, index, 0);
    return currentPage(sheet);
}

HWND tabControl(HWND sheet) {
    return reinterpret_cast<HWND>(SendMessageA(sheet, PSM_GETTABCONTROL, 0, 0));
}

int currentPageIndex(HWND sheet) {
    return static_cast<int>(SendMessageA(tabControl(sheet), TCM_GETCURSEL, 0, 0));
}

void clickTab(HWND sheet, int index) {
    HWND tabs = tabControl(sheet);
    const LPARAM at = MAKELPARAM(index * 80 + 40, 10);
    send(tabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
    send(tabs, WM_LBUTTONUP, 0, at);
}

void mouseDown(HWND control, int x, int y) {
    SendMessageA(control, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
}
void mouseMove(HWND control, int x, int y) {
    SendMessageA(control, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
}
void mouseUp(HWND control, int x, int y) {
    SendMessageA(control, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
}

}  // namespace tb::test
