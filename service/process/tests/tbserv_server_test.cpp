// tbserv.exe as the local server, in a prefix of its own: registration
// from the command line, activation by clients in two processes, the
// orderly end, unregistration, and the proxy settings in proxy mode.
#include <windows.h>
#include <objbase.h>
#include <tlhelp32.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <string>

#include "common/com_holders.h"
#include "common/registry_win32.h"
#include "common/tbserv.h"
#include "service/process/tests/wine_test_support.h"
#include "service/timed/proxy_mode.h"

namespace tb {
namespace {

using Microsoft::WRL::ComPtr;
using testing::ProgramRun;
using testing::runProgram;
using testing::windowsPath;

const std::string kTbserv = windowsPath(TB_TBSERV_EXE);
const std::string kClient = windowsPath(TB_LOG_CLIENT_EXE);
const std::string kTbreglib = windowsPath(TB_TBREGLIB_DLL);
const std::string kLogClsid = "CLSID\\{580B0791-8FC1-11D2-9FB3-00A0C98498CB}";
constexpr RegRoot HKCR = RegRoot::ClassesRoot;

std::vector<DWORD> serverProcesses() {
    std::vector<DWORD> ids;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more;
         more = Process32Next(snapshot, &entry)) {
        if (lstrcmpiA(entry.szExeFile, "tbserv.exe") == 0) ids.push_back(entry.th32ProcessID);
    }
    CloseHandle(snapshot);
    return ids;
}

DWORD firstThreadOf(DWORD processId) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    DWORD found = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more && !found;
         more = Thread32Next(snapshot, &entry)) {
        if (entry.th32OwnerProcessID == processId) found = entry.th32ThreadID;
    }
    CloseHandle(snapshot);
    return found;
}

class TbservServer : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(com.result())); }
    ComApartment com;
    Win32Registry registry;
};

TEST_F(TbservServer, RegServerAfterASlashRegistersQuietly) {
    const ProgramRun r = runProgram("\"" + kTbserv + "\" /RegServer");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.output, "");
    EXPECT_EQ(registry.readString(HKCR, kLogClsid + "\\LocalServer32", ""), "\"" + kTbserv + "\"");
    EXPECT_EQ(registry.readString(HKCR, "tbserv.Log\\CLSID", ""),
              "{580B0791-8FC1-11D2-9FB3-00A0C98498CB}");
    EXPECT_EQ(registry.readString(HKCR, "tbserv.UrlInfo.1\\CLSID", ""),
              "{887386A7-93B2-11D2-B7D2-00A0C98498CB}");
    EXPECT_EQ(registry.readString(HKCR, "AppID\\tbserv.EXE\\DefaultIcon", ""), "tbserv.exe,1");
    EXPECT_EQ(registry.readString(HKCR, "AppID\\{580B0785-8FC1-11D2-9FB3-00A0C98498CB}", ""),
              "tbserv");
    EXPECT_TRUE(registry.keyExists(HKCR, "TypeLib\\{580B0784-8FC1-11D2-9FB3-00A0C98498CB}\\1.0"));
    EXPECT_TRUE(serverProcesses().empty()) << "registration shows no icon and stays not resident";
}

TEST_F(TbservServer, ClientsInTwoProcessesAreServedByOneResidentProcess) {
    ComPtr<ILog> log;
    ASSERT_EQ(CoCreateInstance(CLSID_Log, nullptr, CLSCTX_LOCAL_SERVER, IID_ILog,
                               reinterpret_cast<void**>(log.GetAddressOf())),
              S_OK);
    ScopedBstr page;
    EXPECT_EQ(log->GetLocalErrorPage(page.receive()), S_OK);
    EXPECT_EQ(runProgram("\"" + kClient + "\"").exitCode, 0u);
    EXPECT_EQ(runProgram("\"" + kClient + "\"").exitCode, 0u);
    EXPECT_EQ(serverProcesses().size(), 1u);
    log.Reset();
    Sleep(200);
    EXPECT_EQ(serverProcesses().size(), 1u) << "the service stays when the last client leaves";
}

TEST_F(TbservServer, WmQuitEndsTheServiceInOrderWithExitCodeZero) {
    const std::vector<DWORD> servers = serverProcesses();
    ASSERT_EQ(servers.size(), 1u);
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, servers[0]);
    ASSERT_TRUE(process);
    ASSERT_TRUE(PostThreadMessageA(firstThreadOf(servers[0]), WM_QUIT, 0, 0));
    const DWORD begin = GetTickCount();
    ASSERT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
    EXPECT_GE(GetTickCount() - begin, 900u) << "it waits a second after revoking its classes";
    DWORD code = 1;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    EXPECT_EQ(code, 0u);
    IUnknown* active = nullptr;
    EXPECT_TRUE(FAILED(GetActiveObject(CLSID_Log, nullptr, &active)));
}

TEST_F(TbservServer, UnregServerAfterADashInLowerCaseRemovesTheRegistration) {
    const ProgramRun r = runProgram("\"" + kTbserv + "\" -unregserver");
    EXPECT_EQ(r.exitCode, 0u);
    EXPECT_EQ(r.output, "");
    EXPECT_FALSE(registry.keyExists(HKCR, kLogClsid));
    EXPECT_FALSE(registry.keyExists(HKCR, "tbserv.Log"));
    EXPECT_FALSE(registry.keyExists(HKCR, "tbserv.UrlInfo.1"));
    EXPECT_FALSE(registry.keyExists(HKCR, "AppID\\tbserv.EXE"));
    EXPECT_FALSE(registry.keyExists(HKCR, "TypeLib\\{580B0784-8FC1-11D2-9FB3-00A0C98498CB}\\1.0"));
}

TEST_F(TbservServer, InProxyModeRegistrationSavesTheUsersProxyAndUnregistrationPutsItBack) {
    using namespace proxy;
    constexpr RegRoot HKLM = RegRoot::LocalMachine, HKCU = RegRoot::CurrentUser;
    const std::string beside = kTbserv.substr(0, kTbserv.find_last_of('\\') + 1) + "tbreglib.dll";
    ASSERT_TRUE(CopyFileA(kTbreglib.c_str(), beside.c_str(), FALSE));
    registry.createKey(HKLM, kProductKey);
    registry.writeDword(HKLM, kProductKey, "usingProxy", 1);
    registry.createKey(HKCU, kInternetSettings);
    registry.writeString(HKCU, kInternetSettings, "ProxyServer", "corp.example:8000");
    registry.writeDword(HKCU, kInternetSettings, "ProxyEnable", 1);

    EXPECT_EQ(runProgram("\"" + kTbserv + "\" /regserver").exitCode, 0u);
    EXPECT_EQ(registry.readString(HKLM, kProductKey, "OldProxyServer"), "corp.example:8000");
    EXPECT_EQ(registry.readDword(HKLM, kProductKey, "OldProxyEnable"), 1u);

    applyProxySettings(registry);  // what the keeping thread does meanwhile
    EXPECT_EQ(runProgram("\"" + kTbserv + "\" /UnregServer").exitCode, 0u);
    EXPECT_EQ(registry.readString(HKCU, kInternetSettings, "ProxyServer"), "corp.example:8000");
    DeleteFileA(beside.c_str());
    registry.deleteTree(HKLM, "Software\\Quillmoor");
}

}  // namespace
}  // namespace tb
