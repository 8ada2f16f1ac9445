// Small helpers of the bar's Wine suites: paths of the build tree as Wine
// sees them, programs run and waited for, the host's output read back.
#pragma once

#include <windows.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/com_convert.h"
#include "tools/browser_host/script.h"

namespace tb::bar::testing {

inline std::wstring windowsPath(const std::string& path) {
    std::wstring out = L"Z:" + toWide(path);
    for (wchar_t& c : out) {
        if (c == L'/') c = L'\\';
    }
    return out;
}

inline std::string readAll(const std::wstring& path) {
    std::ifstream in(path.c_str(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs a program and waits (generously); false when it had to be killed.
inline bool runProgram(std::wstring commandLine, DWORD* exitCode, HANDLE output = nullptr,
                       DWORD timeoutMs = 120000, const wchar_t* directory = nullptr) {
    STARTUPINFOW si = {};
    si.cb = sizeof si;
    if (output) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = output;
        si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, output != nullptr, 0,
                        nullptr, directory, &si, &pi))
        return false;
    const bool finished = WaitForSingleObject(pi.hProcess, timeoutMs) == WAIT_OBJECT_0;
    if (!finished) TerminateProcess(pi.hProcess, 99);
    GetExitCodeProcess(pi.hProcess, exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return finished;
}

// regsvr32 [/u] of a DLL, run in the DLL's own directory (or `directory`);
// its exit code (0 is success).
inline DWORD regsvr32(const std::wstring& dll, bool unregister = false,
                      const wchar_t* directory = nullptr) {
    DWORD code = 99;
    runProgram(std::wstring(L"regsvr32 /s ") + (unregister ? L"/u " : L"") + L"\"" + dll + L"\"",
               &code, nullptr, 120000, directory);
    return code;
}

inline std::vector<host::Command> parseLines(const std::string& text) {
    std::vector<host::Command> out;
    std::istringstream in(text);
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const host::ParsedLine parsed = host::parseCommandLine(line, ++n);
        if (parsed.command) out.push_back(*parsed.command);
    }
    return out;
}

}  // namespace tb::bar::testing
