#include "tools/browser_host/process_control.h"

#include <windows.h>
#include <tlhelp32.h>

#include <vector>

namespace tb::host {

namespace {

std::vector<DWORD> processesNamed(const std::string& exeName) {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return ids;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, exeName.c_str()) == 0) ids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return ids;
}

void postQuitToThreads(DWORD processId) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == processId) PostThreadMessageW(entry.th32ThreadID, WM_QUIT, 0, 0);
    }
    CloseHandle(snapshot);
}

}  // namespace

int endProcesses(const std::string& exeName, bool force, unsigned long timeoutMs, bool* allGone) {
    const std::vector<DWORD> ids = processesNamed(exeName);
    bool gone = true;
    for (DWORD id : ids) {
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, id);
        if (!process) continue;  // ended meanwhile
        if (force) {
            TerminateProcess(process, 1);
        } else {
            postQuitToThreads(id);
        }
        gone &= WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
        CloseHandle(process);
    }
    if (allGone) *allGone = gone;
    return static_cast<int>(ids.size());
}

}  // namespace tb::host
