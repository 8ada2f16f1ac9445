// The product as the installer leaves it, in a fresh prefix: tbserv.exe in
// Program Files\Tamberly with the sample lists, started by the first client
// that asks for tbserv.Log, serving clients in other processes (one of them
// a VBScript run by cscript) from one object, and saving what they changed.
#include <windows.h>
#include <objbase.h>
#include <tlhelp32.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "common/tbserv.h"
#include "service/process/tests/wine_test_support.h"

namespace tb {
namespace {

using Microsoft::WRL::ComPtr;
using testing::ProgramRun;
using testing::runProgram;
using testing::windowsPath;

const std::string kProduct = "C:\\Program Files\\Tamberly\\";

std::vector<DWORD> serverProcesses() {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, "tbserv.exe") == 0) ids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return ids;
}

// WM_QUIT to the service's threads: it saves and ends.
bool endService() {
    bool ended = true;
    for (DWORD id : serverProcesses()) {
        HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
        THREADENTRY32 entry{};
        entry.dwSize = sizeof entry;
        for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry)) {
            if (entry.th32OwnerProcessID == id) PostThreadMessageW(entry.th32ThreadID, WM_QUIT, 0, 0);
        }
        CloseHandle(snapshot);
        ended &= process && WaitForSingleObject(process, 30000) == WAIT_OBJECT_0;
        if (process) CloseHandle(process);
    }
    return ended;
}

std::string temporary(const std::string& name) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + name;
}

class InstalledService : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        const std::string stage = temporary("tb_files"), lists = temporary("tb_lists");
        CreateDirectoryA(stage.c_str(), nullptr);
        CreateDirectoryA(lists.c_str(), nullptr);
        CopyFileA(windowsPath(TB_TBSERV_EXE).c_str(), (stage + "\\tbserv.exe").c_str(), FALSE);
        CopyFileA(windowsPath(TB_TBHOOK_DLL).c_str(), (stage + "\\tbhook.dll").c_str(), FALSE);
        CopyFileA(windowsPath(TB_TBTIME_DLL).c_str(), (stage + "\\tbtime.dll").c_str(), FALSE);
        CopyFileA(windowsPath(TB_TBHELP_DLL).c_str(), (stage + "\\tbhelp.dll").c_str(), FALSE);
        const std::string samples = windowsPath(TB_SAMPLE_DATA_DIR) + "\\";
        WIN32_FIND_DATAA found{};
        HANDLE search = FindFirstFileA((samples + "*").c_str(), &found);
        for (BOOL more = search != INVALID_HANDLE_VALUE; more; more = FindNextFileA(search, &found)) {
            const std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            const bool page = name.size() > 4 && name.substr(name.size() - 4) == ".htm";
            CopyFileA((samples + name).c_str(), ((page ? stage : lists) + "\\" + name).c_str(), FALSE);
        }
        FindClose(search);
        installed = runProgram("\"" + windowsPath(TB_TBINSTALL_EXE) + "\" --files=" + stage +
                               " --lists=" + lists);
        // The time component asks a daytime server on loopback where none
        // answers, and so keeps the computer's time: never the public one.
        HKEY product = nullptr;
        if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Quillmoor\\TamberlyIE", 0, KEY_SET_VALUE,
                          &product) == ERROR_SUCCESS) {
            const char host[] = "127.0.0.1";
            const DWORD port = 9;
            RegSetValueExA(product, "TimeServerHost", 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(host), sizeof host);
            RegSetValueExA(product, "TimeServerPort", 0, REG_DWORD,
                           reinterpret_cast<const BYTE*>(&port), sizeof port);
            RegCloseKey(product);
        }
    }
    static void TearDownTestSuite() { endService(); }

    void SetUp() override {
        ASSERT_EQ(installed.exitCode, 0u) << installed.output;
        ASSERT_TRUE(SUCCEEDED(com.result()));
        ASSERT_EQ(CoCreateInstance(CLSID_Log, nullptr, CLSCTX_LOCAL_SERVER, IID_ILog,
                                   reinterpret_cast<void**>(log.GetAddressOf())),
                  S_OK);
    }

    ProgramRun script(const std::string& text) {
        const std::string path = temporary("tb_client.vbs");
        std::ofstream(path, std::ios::binary) << text;
        return runProgram("cscript.exe //nologo \"" + path + "\"");
    }
    bool filterAllows(const std::string& address) {
        BSTR url = newBstr(address);
        VARIANT_BOOL userAllowed = 0, allowed = 0;
        EXPECT_EQ(log->FilterURL(&url, &userAllowed, &allowed), S_OK);
        SysFreeString(url);
        return allowed != 0;
    }

    static ProgramRun installed;
    ComApartment com;
    ComPtr<ILog> log;
};
ProgramRun InstalledService::installed;

TEST_F(InstalledService, OneResidentServiceFiltersForEveryClient) {
    EXPECT_FALSE(filterAllows("http://www.royal-casino.example/poker/tables.htm"));
    EXPECT_TRUE(filterAllows("http://www.news.example/today.htm"));
    EXPECT_EQ(serverProcesses().size(), 1u);
    EXPECT_EQ(runProgram("\"" + windowsPath(TB_LOG_CLIENT_EXE) + "\"").exitCode, 0u);
    EXPECT_EQ(serverProcesses().size(), 1u);
}

// A client no one here wrote: Wine's VBScript adds a word that this process
// then sees, filters an address, and walks the site log. (Not "log" for the
// object: that is VBScript's own Log function.)
TEST_F(InstalledService, AScriptClientSharesTheWordListAndWalksTheSiteLog) {
    filterAllows("http://www.news.example/today.htm");
    const ProgramRun run = script(
        "Set service = CreateObject(\"tbserv.Log\")\r\n"
        "service.AddWordToBlock \"zebrafish\", added\r\n"
        "WScript.Echo \"added \" & CInt(added)\r\n"
        "url = \"http://www.weather.example/\"\r\n"
        "allowed = service.FilterURL(url, userAllowed)\r\n"
        "WScript.Echo \"allowed \" & CInt(allowed) & \" \" & url\r\n"
        "WScript.Echo \"count \" & service.Count\r\n"
        "For Each site In service\r\n"
        "  WScript.Echo \"site \" & site.URL & \" \" & site.NumberOfHits\r\n"
        "Next\r\n");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("added 1"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("allowed 1 http://www.weather.example/"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("count 2"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("site www.news.example/today.htm 1"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("site www.weather.example/ 1"), std::string::npos) << run.output;

    ScopedBstr word;
    std::vector<std::string> words;
    for (log->getFirstUserWord(word.receive()); word.get(); log->getNextUserWord(word.receive())) {
        words.push_back(toAnsi(word.get()));
    }
    EXPECT_NE(std::find(words.begin(), words.end(), "zebrafish"), words.end());
}

TEST_F(InstalledService, TheOrderlyEndSavesTheLogsAndASecondStartReadsThem) {
    filterAllows("http://www.library.example/");
    log.Reset();
    ASSERT_TRUE(endService());
    EXPECT_EQ(GetFileAttributesA((kProduct + "tbl.log").c_str()) != INVALID_FILE_ATTRIBUTES, true);

    ComPtr<ILog> again;
    ASSERT_EQ(CoCreateInstance(CLSID_Log, nullptr, CLSCTX_LOCAL_SERVER, IID_ILog,
                               reinterpret_cast<void**>(again.GetAddressOf())),
              S_OK);
    ScopedBstr url(L"www.library.example/");
    VARIANT_BOOL allowed = 0;
    EXPECT_EQ(again->IsURLAllowed(url.get(), &allowed), S_OK);
    EXPECT_EQ(allowed, 1) << "the site log came back from tbl.log";
}

// The browser helper as the installer registered it, in the browser host,
// judged by the installed service: a page is shown, a blocked address is
// sent to the block page, and the visit is in the service's site log.
TEST_F(InstalledService, TheBrowserHelperJudgesEveryNavigationThroughTheService) {
    const std::string path = temporary("tb_browse.txt");
    std::ofstream(path, std::ios::binary)
        << "page http://www.museum.example/ title=\"Museum\"\n"
           "page http://www.royal-casino.example/poker/tables.htm title=\"Casino\"\n"
           "window main\n"
           "navigate main http://www.museum.example/\n"
           "navigate main http://www.royal-casino.example/poker/tables.htm\n"
           "close main\n";
    const ProgramRun run =
        runProgram("\"" + windowsPath(TB_HOST_EXE) + "\" --timeout=60 --script=\"" + path + "\"");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("nav main url=http://www.museum.example/ result=shown"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("url=http://www.royal-casino.example/poker/tables.htm cancel=1"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("restricted1.htm"), std::string::npos) << run.output;

    ScopedBstr visited(L"www.museum.example/");
    VARIANT_BOOL allowed = 0;
    EXPECT_EQ(log->IsURLAllowed(visited.get(), &allowed), S_OK);
    EXPECT_EQ(allowed, 1) << "the helper's navigation is in the site log";
}

}  // namespace
}  // namespace tb
