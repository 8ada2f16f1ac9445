// The setup program as a family meets it, in a fresh prefix: a silent
// install, its Add/Remove Programs entry, whose uninstall goes through the
// service's password, and a second install over the first while the
// service runs.
#include <windows.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <fstream>
#include <future>
#include <string>

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "common/tbserv.h"
#include "service/process/tests/window_automation.h"
#include "tests/installed/installed_product.h"

namespace tb {
namespace {

using Microsoft::WRL::ComPtr;
using testing::ProgramRun;
using testing::runProgram;
using testing::windowsPath;

using namespace installed;

constexpr char kEntryKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tamberly";
constexpr char kProductKey[] = "Software\\Quillmoor\\TamberlyIE";

// A value of HKEY_LOCAL_MACHINE in the service's view: the text, "(none)"
// if absent; the number, 0xFFFFFFFF if absent.
bool readMachineValue(const std::string& key, const char* name, void* data, DWORD size) {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                      &opened) != ERROR_SUCCESS)
        return false;
    const bool ok = RegQueryValueExA(opened, name, nullptr, nullptr, static_cast<BYTE*>(data),
                                     &size) == ERROR_SUCCESS;
    RegCloseKey(opened);
    return ok;
}

std::string machineText(const std::string& key, const char* name) {
    char text[512] = {};
    return readMachineValue(key, name, text, sizeof text - 1) ? text : "(none)";
}

DWORD machineDword(const std::string& key, const char* name) {
    DWORD value = 0xFFFFFFFF;
    return readMachineValue(key, name, &value, sizeof value) ? value : 0xFFFFFFFF;
}

bool exists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

class InstalledPackage : public InstalledProduct {
  protected:
    ProgramRun script(const std::string& text) {
        const std::string path = temporary("tb_package.vbs");
        std::ofstream(path, std::ios::binary) << "Set service = CreateObject(\"tbserv.Log\")\r\n"
                                              << text;
        return runProgram("cscript.exe //nologo \"" + path + "\"");
    }
    // The parent's password, set by the first-run question if none is set.
    void setParentPassword() {
        ScopedBstr marker(L"\xFE");
        VARIANT_BOOL unset = 0;
        ASSERT_EQ(log->VerifyPassword(marker.get(), &unset), S_OK);
        if (!unset) return;
        ScopedBstr first(
            L"\xFE"
            L"parent");
        VARIANT_BOOL taken = 0;
        ASSERT_EQ(log->VerifyPassword(first.get(), &taken), S_OK);
        ASSERT_NE(taken, 0);
    }
    bool filterAllows(const std::string& address) {
        ScopedBstr url(toWide(address).c_str());
        BSTR text = url.get();
        VARIANT_BOOL userAllowed = 0, allowed = 0;
        EXPECT_EQ(log->FilterURL(&text, &userAllowed, &allowed), S_OK);
        if (text != url.get()) SysFreeString(text);
        return allowed != 0;
    }
};

TEST_F(InstalledPackage, ASilentInstallLeavesTheProductItsEntryAndTheComputersZone) {
    EXPECT_EQ(machineDword(kProductKey, "usingProxy"), 0u) << "normal mode unless asked";
    EXPECT_EQ(machineText(kEntryKey, "DisplayName"), "Tamberly");
    EXPECT_EQ(machineText(kEntryKey, "Publisher"), "Quillmoor");
    const std::string uninstall = machineText(kEntryKey, "UninstallString");
    EXPECT_EQ(uninstall, "\"" + kProduct + "Tamberly.exe\" /uninstall");
    EXPECT_TRUE(exists(kProduct + "Tamberly.exe"));
    EXPECT_EQ(machineDword(kEntryKey, "NoModify"), 1u);

    // The service took over the zone the setup found on the computer, as
    // the Manager lists it, and removed the hand-over file.
    const std::string zoneKey =
        machineText("System\\CurrentControlSet\\Control\\TimeZoneInformation", "TimeZoneKeyName");
    const std::string display = machineText(
        "Software\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones\\" + zoneKey, "Display");
    ASSERT_NE(display, "(none)") << zoneKey;
    ComPtr<IManagerData> manager;
    ASSERT_EQ(log.As(&manager), S_OK);
    ScopedBstr zone;
    ASSERT_EQ(manager->GetTimezoneString(zone.receive()), S_OK);
    EXPECT_EQ(toAnsi(zone.get()), display);
    EXPECT_FALSE(exists(kProduct + "tbhelp.dat"));
}

TEST_F(InstalledPackage,
       TheAddRemoveProgramsUninstallAsksForThePasswordAndRemovesNothingWithoutIt) {
    setParentPassword();
    const std::string command = machineText(kEntryKey, "UninstallString");
    auto manager = std::async(std::launch::async, [&] { return runProgram(command); });

    // The service's own uninstall dialog: a wrong password is refused, and
    // Cancel leaves everything as it was.
    IncorrectPasswordAnswerer answerer;
    HWND dialog =
        testing::waitForShownWindow("#32770", "Uninstall Tamberly", std::chrono::seconds(30));
    ASSERT_TRUE(dialog) << "the entry's command did not reach the service's uninstall";
    testing::setControlText(dialog, 201, "guess");
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(209, BN_CLICKED), 0);
    for (int i = 0; i < 100 && answerer.answered() == 0; ++i) Sleep(100);
    EXPECT_EQ(answerer.answered(), 1) << "Incorrect Password";
    EXPECT_TRUE(IsWindow(dialog));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(7, BN_CLICKED), 0);
    ASSERT_EQ(manager.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(manager.get().exitCode, 0u);

    EXPECT_EQ(machineDword(kProductKey, "usingProxy"), 0u) << "no uninstall pending";
    EXPECT_EQ(machineText(kEntryKey, "DisplayName"), "Tamberly");
    for (const char* file : {"tbserv.exe", "Tamberly.exe", "tbu.dat", "TBinD.dat"})
        EXPECT_TRUE(exists(kProduct + file)) << file;
    EXPECT_FALSE(filterAllows("http://www.royal-casino.example/poker/tables.htm"))
        << "still filtering";
}

TEST_F(InstalledPackage, ASecondInstallOverTheFirstKeepsTheParentsDataWhileTheServiceRuns) {
    setParentPassword();
    const ProgramRun before = script(
        "service.SetPersBlockSites Array(\"www.parents-block.example/\")\r\n"
        "service.SetTotalHours 6, 3\r\n"
        "zone = \"(GMT+01:00) Paris\"\r\n"
        "service.SetTimezoneString zone\r\n"
        "url = \"http://www.visited.example/page.htm\"\r\n"
        "allowed = service.FilterURL(url, userAllowed)\r\n"
        "service.Save\r\n");
    ASSERT_EQ(before.exitCode, 0u) << before.output;

    // The programs and lists in use are replaced under the running service;
    // its programs take over when Windows restarts, which setup says.
    const ProgramRun upgrade = runProgram("\"" + windowsPath(TB_SETUP_PROGRAM) + "\" /S");
    EXPECT_EQ(upgrade.exitCode, 3010u) << upgrade.output;
    log.Reset();
    ASSERT_TRUE(endService());

    const ProgramRun after = script(
        "WScript.Echo \"password \" & CInt(service.VerifyPassword(\"parent\"))\r\n"
        "url = \"http://www.parents-block.example/x.htm\"\r\n"
        "WScript.Echo \"allowed \" & CInt(service.FilterURL(url, userAllowed))\r\n"
        "WScript.Echo \"total \" & service.GetTotalHours(6)\r\n"
        "service.GetTimezoneString zone\r\n"
        "WScript.Echo \"zone \" & zone\r\n"
        "WScript.Echo \"visits \" & "
        "service.Item(\"www.visited.example/page.htm\").NumberOfHits\r\n");
    EXPECT_NE(after.output.find("password 1\r\n"), std::string::npos) << after.output;
    EXPECT_NE(after.output.find("allowed 0\r\n"), std::string::npos) << after.output;
    EXPECT_NE(after.output.find("total 3\r\n"), std::string::npos) << after.output;
    EXPECT_NE(after.output.find("zone (GMT+01:00) Paris\r\n"), std::string::npos)
        << "the parent's zone, not the computer's: " << after.output;
    EXPECT_NE(after.output.find("visits 1\r\n"), std::string::npos) << after.output;
    EXPECT_EQ(machineText(kEntryKey, "DisplayName"), "Tamberly");
}

}  // namespace
}  // namespace tb
