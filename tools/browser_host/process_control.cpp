#include "tools/browser_host/process_control.h"

#include <windows.h>
#include <tlhelp32.h>

#include <vector>

namespace tb::host {

std::vector<unsigned long> processesNamed(const std::string& exeName) {
    std::vector<unsigned long> ids;
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

namespace {

std::string g_otherBitnessHost;

bool is32BitOn64BitWindows(HANDLE process) {
    BOOL wow64 = FALSE;
    return IsWow64Process(process, &wow64) && wow64;
}

bool runAndWait(std::string commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started))
        return false;
    WaitForSingleObject(started.hProcess, 30000);
    DWORD code = 1;
    GetExitCodeProcess(started.hProcess, &code);
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return code == 0;
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

// A thread of the process's own that calls ExitProcess: the program stops
// in the middle of its work, and the system's end-of-process cleanup runs
// in it (the libraries are told that the process detaches), as after a
// crash that the program's own handler turns into an exit.
bool crash(HANDLE process) {
    if (is32BitOn64BitWindows(process) != is32BitOn64BitWindows(GetCurrentProcess())) {
        return !g_otherBitnessHost.empty() &&
               runAndWait("\"" + g_otherBitnessHost +
                          "\" --crash-process=" + std::to_string(GetProcessId(process)));
    }
    const auto exitProcess = reinterpret_cast<LPTHREAD_START_ROUTINE>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "ExitProcess")));
    if (!exitProcess) return false;
    HANDLE thread = CreateRemoteThread(process, nullptr, 0, exitProcess,
                                       reinterpret_cast<void*>(uintptr_t{3}), 0, nullptr);
    if (!thread) return false;
    CloseHandle(thread);
    return true;
}

}  // namespace

void setOtherBitnessHost(const std::string& program) {
    g_otherBitnessHost = program;
}

bool crashProcess(unsigned long id) {
    HANDLE process = OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION |
                                     PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE,
                                 FALSE, id);
    if (!process) return false;
    const bool crashed = crash(process);
    CloseHandle(process);
    return crashed;
}

int endProcesses(const std::string& exeName, EndMode mode, unsigned long timeoutMs, bool* allGone) {
    const std::vector<unsigned long> ids = processesNamed(exeName);
    bool gone = true;
    for (DWORD id : ids) {
        HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_CREATE_THREAD |
                                         PROCESS_QUERY_INFORMATION | PROCESS_VM_OPERATION |
                                         PROCESS_VM_READ | PROCESS_VM_WRITE,
                                     FALSE, id);
        if (!process) continue;  // ended meanwhile
        switch (mode) {
            case EndMode::Orderly:
                postQuitToThreads(id);
                break;
            case EndMode::Crash:
                if (!crash(process)) TerminateProcess(process, 3);
                break;
            case EndMode::Force:
                TerminateProcess(process, 1);
                break;
        }
        gone &= WaitForSingleObject(process, timeoutMs) == WAIT_OBJECT_0;
        CloseHandle(process);
    }
    if (allGone) *allGone = gone;
    return static_cast<int>(ids.size());
}

}  // namespace tb::host
