// The installer and both steps of uninstall in a fresh prefix of their own,
// in order: install, step one (the restart replaced), a refused second
// install, step two; then the same in proxy mode, where the user's proxy
// settings must come back before anything is removed.
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
using testing::windowsPath;
constexpr RegRoot HKLM = RegRoot::LocalMachine;
constexpr RegRoot HKCU = RegRoot::CurrentUser;
constexpr RegRoot HKCR = RegRoot::ClassesRoot;
const std::string kProduct = "C:\\Program Files\\Tamberly\\";
const std::string kLogServer = "CLSID\\{580B0791-8FC1-11D2-9FB3-00A0C98498CB}\\LocalServer32";
const std::string kMenu = "C:\\windows\\start menu\\programs\\tamberly";

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
    }

    ProgramRun install(const std::string& extra = "") {
        return runProgram("\"" + windowsPath(TB_TBINSTALL_EXE) + "\" --files=" + stage + " --lists=" + lists + extra);
    }
    std::optional<std::string> marker(const char* dll) {
        return registry.readString(HKLM, "Software\\TamberlyTest", dll);
    }
    uninstall::Win32UninstallSystem machine(int& restarts, bool& ended) {
        return uninstall::Win32UninstallSystem(
            {[] { runProgram("\"" + kProduct + "tbserv.exe\" /UnregServer"); }, [&ended] { ended = true; },
             [&restarts] { ++restarts; }});
    }

    static std::string stage, lists;
    Win32Registry registry;
    const std::string system = uninstall::systemDirectory();
};
std::string Installation::stage;
std::string Installation::lists;

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
}

TEST_F(Installation, StepOneUnregistersMarksThePendingUninstallAndRestarts) {
    int restarts = 0;
    bool ended = false;
    auto sys = machine(restarts, ended);
    uninstall::uninstallStepOne(system, 0, registry, sys);
    EXPECT_EQ(marker("tbhelp.dll"), "unregistered");
    EXPECT_EQ(marker("tbbar.dll"), "unregistered");
    EXPECT_FALSE(registry.keyExists(HKCR, kLogServer));
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
    uninstall::uninstallStepTwo(system, 2, registry, sys);
    EXPECT_TRUE(ended);
    for (const char* f : {"tbhelp.dll", "tbbar.dll", "tbreglib.dll"}) EXPECT_FALSE(exists(system + "\\" + f)) << f;
    for (const char* f : {"TAMBERLY.exe", "TBinD.dat", "tbfD.dat", "license.txt", "Restricted1.htm"}) {
        EXPECT_FALSE(exists(kProduct + f)) << f;
    }
    EXPECT_TRUE(exists(kProduct + "tbserv.exe")) << "the service's own program file stays";
    EXPECT_FALSE(exists(kMenu));
    EXPECT_FALSE(registry.readString(HKLM, uninstall::kRunKey, "tbservexe"));
    EXPECT_FALSE(registry.keyExists(HKLM, uninstall::kProductKey));
    EXPECT_FALSE(registry.keyExists(HKLM, uninstall::kPublisherKey));
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
    uninstall::uninstallStepOne(system, 1, registry, sys);
    EXPECT_EQ(registry.readDword(HKLM, kProductKey, "usingProxy"), 3u);
    EXPECT_FALSE(registry.readString(HKLM, uninstall::kRunKey, uninstall::kOldProxyStartValue));

    uninstall::uninstallStepTwo(system, 3, registry, sys);
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
