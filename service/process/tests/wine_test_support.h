// Support for tests of whole programs under Wine: build-tree paths as a
// Windows program sees them, and running a program to its end.
#pragma once

#include <windows.h>

#include <string>

namespace tb::testing {

// "/tmp/x.exe" -> "Z:\tmp\x.exe"; Windows paths stay.
inline std::string windowsPath(std::string unixPath) {
    if (unixPath.empty() || unixPath[0] != '/') return unixPath;
    for (char& c : unixPath) {
        if (c == '/') c = '\\';
    }
    return "Z:" + unixPath;
}

// True on 64-bit Windows (a WoW64 prefix), whatever this test's own bitness.
inline bool windowsIs64Bit() {
    if (sizeof(void*) == 8) return true;
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// CreateProcess for the tests. Now and then Wine fails to start a program
// (ERROR_INTERNAL_ERROR: the new process ended while Wine was setting it
// up, more often on a busy machine); nothing of it ran, so the start is
// tried again rather than failing the test.
inline BOOL createProcess(const wchar_t* application, wchar_t* line, BOOL inheritHandles,
                          const wchar_t* directory, STARTUPINFOW& startup,
                          PROCESS_INFORMATION& process) {
    return CreateProcessW(application, line, nullptr, nullptr, inheritHandles, 0, nullptr,
                          directory, &startup, &process);
}
inline BOOL createProcess(const char* application, char* line, BOOL inheritHandles,
                          const char* directory, STARTUPINFOA& startup,
                          PROCESS_INFORMATION& process) {
    return CreateProcessA(application, line, nullptr, nullptr, inheritHandles, 0, nullptr,
                          directory, &startup, &process);
}
template <class T>
struct Same {
    using type = T;
};
template <class Char, class Startup>
BOOL startProcess(const typename Same<Char>::type* application, std::basic_string<Char> commandLine,
                  BOOL inheritHandles, Startup& startup, PROCESS_INFORMATION& process,
                  const typename Same<Char>::type* directory = nullptr) {
    for (int attempt = 1;; ++attempt) {
        std::basic_string<Char> line = commandLine;
        if (createProcess(application, line.data(), inheritHandles, directory, startup, process))
            return TRUE;
        if (GetLastError() != ERROR_INTERNAL_ERROR || attempt == 3) return FALSE;
        Sleep(200);
    }
}

struct ProgramRun {
    DWORD exitCode = 0xFFFFFFFF;
    std::string output;
};

// Runs a program to its end, with its standard output and error captured.
inline ProgramRun runProgram(const std::string& commandLine) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    CreatePipe(&read, &write, &inherit, 0);
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = write;
    startup.hStdError = write;
    PROCESS_INFORMATION process{};
    ProgramRun result;
    if (startProcess(nullptr, commandLine, TRUE, startup, process)) {
        CloseHandle(write);
        write = nullptr;
        char buffer[256];
        DWORD n = 0;
        while (ReadFile(read, buffer, sizeof buffer, &n, nullptr) && n > 0)
            result.output.append(buffer, n);
        WaitForSingleObject(process.hProcess, 30000);
        GetExitCodeProcess(process.hProcess, &result.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (write) CloseHandle(write);
    CloseHandle(read);
    return result;
}

}  // namespace tb::testing
