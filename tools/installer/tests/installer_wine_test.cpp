// The installer and both steps of uninstall in a fresh prefix of their own,
// in order: install, step one (the restart replaced), a refused second
// install, step two; then the same in proxy mode, where the user's proxy
// settings must come back before anything is removed. On 64-bit Windows the
// 32-bit plug-ins (fakes that record their registration in the registry
// view of their own bitness) go in and out beside the 64-bit ones.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "common/registry_win32.h"
#include "service/process/tests/wine_test_support.h"
#include "service/timed/proxy_mode.h"
#include "service/uninstall/uninstall_steps.h"
#include "service/uninstall/uninstall_win32.h"

namespace tb {
namespace {

using testing::ProgramRun;
using testing::runProgram;
using testing::windowsIs64Bit;
using testing::windowsPath;
constexpr RegRoot HKLM = RegRoot::LocalMachine;
constexpr RegRoot HKCU = RegRoot::CurrentUser;
constexpr RegRoot HKCR = RegRoot::ClassesRoot;
const std::string kProduct = "C:\\Program Files\\Tamberly\\";
const std::string kLogServer = "CLSID\\{580B0791-8FC1-11D2-9FB3-00A0C98498CB}\\LocalServer32";
const std::string kMenu = "C:\\windows\\start menu\\programs\\tamberly";
const std::string kWow64 = "C:\\windows\\syswow64";
// tbservLib, for 32-bit clients of the 64-bit service.
const std::string kLibWin32 = "TypeLib\\{580B0784-8FC1-11D2-9FB3-00A0C98498CB}\\1.0\\0\\win32";
const std::string kILog32 = "Interface\\{580B0790-8FC1-11D2-9FB3-00A0C98498CB}";

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeFile(const std::string& path, const std::string& text) { std::ofstream(path, std::ios::binary) << text; }

class Installation : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        stage = std::string(temp) + "tb_stage";
        lists = std::string(temp) + "tb_lists";
        CreateDirectoryA(stage.c_str(), nullptr);
        CreateDirectoryA(lists.c_str(), nullptr);
        CopyFileA(windowsPath(TB_TBSERV_EXE).c_str(), (stage + "\\tbserv.exe").c_str(), FALSE);
        CopyFileA(windowsPath(TB_TBREGLIB_DLL).c_str(), (stage + "\\tbreglib.dll").c_str(), FALSE);
        // tbserv.exe loads the hook library from the system directory.
        CopyFileA(windowsPath(TB_TBHOOK_DLL).c_str(), (stage + "\\tbhook.dll").c_str(), FALSE);
        CopyFileA(windowsPath(TB_FAKE_PROGRAM_EXE).c_str(), (stage + "\\TAMBERLY.exe").c_str(), FALSE);
        for (const char* dll : {"tbhelp.dll", "tbbar.dll"}) {
            CopyFileA(windowsPath(TB_FAKE_COMPONENT_DLL).c_str(), (stage + "\\" + dll).c_str(), FALSE);
        }
        writeFile(stage + "\\Restricted1.htm", "<html>blocked</html>");
        writeFile(stage + "\\license.txt", "license");
        writeFile(stage + "\\Readme.doc", "readme");
        for (const char* list : {"TBinC.dat", "TBinD.dat", "TBinE.dat", "tbfD.dat"}) writeFile(lists + "\\" + list, list);
        if (!windowsIs64Bit()) return;
        // The 32-bit side, from the 32-bit tree: fakes of the plug-ins, and a
        // program standing in for the hook's companion.
        stage32 = std::string(temp) + "tb_stage32";
        CreateDirectoryA(stage32.c_str(), nullptr);
        for (const char* dll : {"tbhelp.dll", "tbbar.dll", "tbpages.dll", "tbhook.dll"}) {
            CopyFileA(windowsPath(TB_WIN32_TREE "/tools/installer/fake_component.dll").c_str(),
                      (stage32 + "\\" + dll).c_str(), FALSE);
        }
        CopyFileA(windowsPath(TB_WIN32_TREE "/service/process/fake_program.exe").c_str(),
                  (stage32 + "\\tbhook32.exe").c_str(), FALSE);
    }

    ProgramRun install(const std::string& extra = "") {
        const std::string files32 = stage32.empty() ? "" : " --files32=" + stage32;
        return runProgram("\"" + windowsPath(TB_TBINSTALL_EXE) + "\" --files=" + stage + files32 +
                          " --lists=" + lists + extra);
    }
    std::optional<std::string> marker(const char* dll) {
        return registry.readString(HKLM, "Software\\TamberlyTest", dll);
    }
    std::optional<std::string> marker32(const char* dll) {
        return registry32.readString(HKLM, "Software\\TamberlyTest", dll);
    }
    const uninstall::Wow64Side* wow64() { return wow64_ ? &wow64_->side() : nullptr; }
    uninstall::Win32UninstallSystem machine(int& restarts, bool& ended) {
        return uninstall::Win32UninstallSystem(
            {[] { runProgram("\"" + kProduct + "tbserv.exe\" /UnregServer"); }, [&ended] { ended = true; },
             [&restarts] { ++restarts; }});
    }

    static std::string stage, lists, stage32;
    Win32Registry registry{KEY_WOW64_64KEY};
    Win32Registry registry32{KEY_WOW64_32KEY};
    const std::string system = uninstall::systemDirectory();
    std::unique_ptr<uninstall::Wow64Machine> wow64_ = uninstall::Wow64Machine::detect();
};
std::string Installation::stage;
std::string Installation::lists;
std::string Installation::stage32;

TEST_F(Installation, PlacesTheFilesWritesTheRegistryAndRegistersEveryComponent) {
    const ProgramRun r = install(" \"--timezone=(GMT+01:00) Amsterdam, Berlin\"");
    ASSERT_EQ(r.exitCode, 0u) << r.output;
    for (const char* f : {"tbhelp.dll", "tbbar.dll", "tbreglib.dll"}) EXPECT_TRUE(exists(system + "\\" + f)) << f;
    for (const char* f : {"tbserv.exe", "TAMBERLY.exe", "Restricted1.htm", "license.txt", "TBinC.dat", "TBinD.dat",
                          "TBinE.dat", "tbfD.dat"}) {
        EXPECT_TRUE(exists(kProduct + f)) << f;
    }
    EXPECT_EQ(readFile(kProduct + "TBinD.dat"), "TBinD.dat");
    EXPECT_EQ(readFile(kProduct + "tbhelp.dat"), "(GMT+01:00) Amsterdam, Berlin");
    EXPECT_EQ(registry.readDword(HKLM, uninstall::kProductKey, "usingProxy"), 0u);
    EXPECT_EQ(registry.readString(HKLM, uninstall::kRunKey, "tbservexe"), "\"" + kProduct + "tbserv.exe\"");
    EXPECT_EQ(marker("tbhelp.dll"), "registered");
    EXPECT_EQ(marker("tbbar.dll"), "registered");
    EXPECT_EQ(registry.readString(HKCR, kLogServer, ""), "\"" + kProduct + "tbserv.exe\"");
    EXPECT_TRUE(exists(kMenu + "\\Tamberly.lnk"));
    EXPECT_TRUE(exists(kMenu + "\\ReadMe.lnk"));
    EXPECT_EQ(registry.readString(HKLM, uninstall::kUninstallEntryKey, "UninstallString"),
              "\"" + kProduct + "TAMBERLY.exe\" /uninstall");
    if (!windowsIs64Bit()) return;

    // 64-bit Windows: the 32-bit browser's plug-ins, registered by a 32-bit
    // process, and the service's interfaces marshalled for 32-bit clients.
    for (const char* f : {"tbhelp.dll", "tbbar.dll", "tbpages.dll", "tbhook.dll"})
        EXPECT_TRUE(exists(kWow64 + "\\" + f)) << f;
    EXPECT_TRUE(exists(kProduct + "tbhook32.exe"));
    EXPECT_EQ(marker32("tbhelp.dll"), "registered");
    EXPECT_EQ(marker32("tbbar.dll"), "registered");
    EXPECT_EQ(registry.readString(HKCR, kLibWin32, ""), kProduct + "tbserv.exe");
    EXPECT_EQ(registry32.readString(HKCR, kILog32 + "\\ProxyStubClsid32", ""),
              "{00020424-0000-0000-C000-000000000046}");
}

// A fresh word file says that no password is set; an installation over an
// earlier one keeps the parent's.
TEST_F(Installation, TheWordFileIsWrittenOnceAndThenKept) {
    const std::string fresh = readFile(kProduct + "tbu.dat");
    EXPECT_FALSE(fresh.empty());
    writeFile(kProduct + "tbu.dat", "the parent's password and words\r\n");
    ASSERT_EQ(install().exitCode, 0u);
    EXPECT_EQ(readFile(kProduct + "tbu.dat"), "the parent's password and words\r\n");
}

TEST_F(Installation, On64BitWindowsAnInstallWithoutThe32BitPlugInsIsRefused) {
    if (!windowsIs64Bit()) GTEST_SKIP() << "32-bit Windows has one bitness";
    const ProgramRun r = runProgram("\"" + windowsPath(TB_TBINSTALL_EXE) + "\" --files=" + stage +
                                    " --lists=" + lists);
    EXPECT_EQ(r.exitCode, 3u);
    EXPECT_NE(r.output.find("32-bit"), std::string::npos) << r.output;
}

TEST_F(Installation, StepOneUnregistersMarksThePendingUninstallAndRestarts) {
    int restarts = 0;
    bool ended = false;
    auto sys = machine(restarts, ended);
    uninstall::uninstallStepOne(system, 0, registry, sys, wow64());
    EXPECT_EQ(marker("tbhelp.dll"), "unregistered");
    EXPECT_EQ(marker("tbbar.dll"), "unregistered");
    EXPECT_FALSE(registry.keyExists(HKCR, kLogServer));
    if (windowsIs64Bit()) {
        EXPECT_EQ(marker32("tbhelp.dll"), "unregistered");
        EXPECT_EQ(marker32("tbbar.dll"), "unregistered");
        EXPECT_FALSE(registry.keyExists(HKCR, kLibWin32));
        EXPECT_FALSE(registry32.keyExists(HKCR, kILog32));
    }
    EXPECT_EQ(registry.readDword(HKLM, uninstall::kProductKey, "usingProxy"), 2u);
    EXPECT_EQ(restarts, 1) << "the shutdown privilege was granted";
    EXPECT_FALSE(ended);
}

TEST_F(Installation, RefusesToInstallOverAPendingUninstall) {
    DeleteFileA((kProduct + "TBinE.dat").c_str());
    const ProgramRun r = install();
    EXPECT_EQ(r.exitCode, 2u);
    EXPECT_NE(r.output.find("uninstalled"), std::string::npos);
    EXPECT_FALSE(exists(kProduct + "TBinE.dat")) << "nothing was copied";
    EXPECT_EQ(registry.readDword(HKLM, uninstall::kProductKey, "usingProxy"), 2u);
}

TEST_F(Installation, StepTwoRemovesTheFilesAndTheRegistryEntriesAndEndsTheService) {
    int restarts = 0;
    bool ended = false;
    auto sys = machine(restarts, ended);
    uninstall::uninstallStepTwo(system, 2, registry, sys, wow64());
    EXPECT_TRUE(ended);
    for (const char* f : {"tbhelp.dll", "tbbar.dll", "tbpages.dll", "tbhook.dll"})
        EXPECT_FALSE(exists(kWow64 + "\\" + f)) << f;
    EXPECT_FALSE(exists(kProduct + "tbhook32.exe"));
    for (const char* f : {"tbhelp.dll", "tbbar.dll", "tbreglib.dll"}) EXPECT_FALSE(exists(system + "\\" + f)) << f;
    for (const char* f : {"TAMBERLY.exe", "TBinD.dat", "tbfD.dat", "license.txt", "Restricted1.htm"}) {
        EXPECT_FALSE(exists(kProduct + f)) << f;
    }
    EXPECT_TRUE(exists(kProduct + "tbserv.exe")) << "the service's own program file stays";
    EXPECT_FALSE(exists(kMenu));
    EXPECT_FALSE(registry.readString(HKLM, uninstall::kRunKey, "tbservexe"));
    EXPECT_FALSE(registry.keyExists(HKLM, uninstall::kProductKey));
    EXPECT_FALSE(registry.keyExists(HKLM, uninstall::kPublisherKey));
    EXPECT_FALSE(registry.keyExists(HKLM, uninstall::kUninstallEntryKey));
}

TEST_F(Installation, InProxyModeTheUsersProxyComesBackBeforeTheFilesGo) {
    using namespace proxy;
    registry.createKey(HKCU, kInternetSettings);
    registry.writeString(HKCU, kInternetSettings, "ProxyServer", "family.example:3128");
    registry.writeDword(HKCU, kInternetSettings, "ProxyEnable", 1);
    registry.createKey(HKLM, uninstall::kRunKey);
    registry.writeString(HKLM, uninstall::kRunKey, uninstall::kOldProxyStartValue, "C:\\tbproxy.exe");

    ASSERT_EQ(install(" --proxy").exitCode, 0u);
    EXPECT_EQ(registry.readDword(HKLM, kProductKey, "usingProxy"), 1u);
    EXPECT_EQ(registry.readString(HKLM, kProductKey, "OldProxyServer"), "family.example:3128");
    applyProxySettings(registry);  // the keeping thread at work

    int restarts = 0;
    bool ended = false;
    auto sys = machine(restarts, ended);
    uninstall::uninstallStepOne(system, 1, registry, sys, wow64());
    EXPECT_EQ(registry.readDword(HKLM, kProductKey, "usingProxy"), 3u);
    EXPECT_FALSE(registry.readString(HKLM, uninstall::kRunKey, uninstall::kOldProxyStartValue));

    uninstall::uninstallStepTwo(system, 3, registry, sys, wow64());
    // tbreglib.dll is itself among the files removed: it could only restore
    // because it ran first.
    EXPECT_EQ(registry.readString(HKCU, kInternetSettings, "ProxyServer"), "family.example:3128");
    EXPECT_FALSE(exists(system + "\\tbreglib.dll"));
    EXPECT_EQ(registry.readString(HKLM, uninstall::kRunKey, "tbservexe"), "\"" + kProduct + "tbserv.exe\"")
        << "written back under Run in proxy mode";
    EXPECT_FALSE(registry.readDword(HKLM, kProductKey, "usingProxy"));
    EXPECT_TRUE(ended);
}

}  // namespace
}  // namespace tb
