// Small helpers of the browser plug-ins' Wine suites: paths of the build
// tree as Wine sees them, programs run and waited for, and the browser
// events' members as the plug-ins' type libraries must describe them.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/com_convert.h"
#include <gtest/gtest.h>

#include "service/process/tests/wine_test_support.h"
#include "tools/browser_host/host_output.h"

namespace tb::host::testing {

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
    if (!tb::testing::startProcess(nullptr, commandLine, output != nullptr, si, pi, directory))
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

// The host's lines in a file it wrote.
inline std::vector<Command> readLines(const std::wstring& path) {
    return HostOutput::parse(readAll(path)).out;
}

// The 18 members of the browser's events, in slot order, with their DISPIDs
// and parameter counts, in the type information of a dual interface.
inline void expectBrowserEventMembers(ITypeInfo* info) {
    const struct {
        const wchar_t* name;
        MEMBERID id;
        SHORT params;
    } expected[] = {{L"StatusTextChange", 102, 1},   {L"ProgressChange", 108, 2},
                    {L"CommandStateChange", 105, 2}, {L"DownloadBegin", 106, 0},
                    {L"DownloadComplete", 104, 0},   {L"TitleChange", 113, 1},
                    {L"PropertyChange", 112, 1},     {L"BeforeNavigate2", 250, 7},
                    {L"NewWindow2", 251, 2},         {L"NavigateComplete2", 252, 2},
                    {L"DocumentComplete", 259, 2},   {L"OnQuit", 253, 0},
                    {L"OnVisible", 254, 1},          {L"OnToolBar", 255, 1},
                    {L"OnMenuBar", 256, 1},          {L"OnStatusBar", 257, 1},
                    {L"OnFullScreen", 258, 1},       {L"OnTheaterMode", 260, 1}};
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    const WORD functions = attr->cFuncs;
    info->ReleaseTypeAttr(attr);
    ASSERT_EQ(functions, 18);
    for (UINT i = 0; i < 18; ++i) {
        FUNCDESC* f = nullptr;
        ASSERT_EQ(info->GetFuncDesc(i, &f), S_OK);
        BSTR name = nullptr;
        info->GetDocumentation(f->memid, &name, nullptr, nullptr, nullptr);
        EXPECT_STREQ(name, expected[i].name);
        EXPECT_EQ(f->memid, expected[i].id) << i;
        EXPECT_EQ(f->cParams, expected[i].params) << i;
        EXPECT_EQ(f->oVft, static_cast<SHORT>((7 + i) * sizeof(void*))) << "slot order";
        SysFreeString(name);
        info->ReleaseFuncDesc(f);
    }
}

}  // namespace tb::host::testing
