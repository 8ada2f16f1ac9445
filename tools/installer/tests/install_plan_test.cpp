#include "tools/installer/install_plan.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tb::installer {
namespace {

const std::string kSystem = "C:\\windows\\system32";

Options options(bool proxy = false, std::optional<std::string> zone = std::nullopt) {
    Options o;
    o.filesDir = "Z:\\stage";
    o.listsDir = "Z:\\lists";
    o.timeZone = zone;
    o.proxyMode = proxy;
    return o;
}

Found found(const std::string& systemDir, std::vector<std::string> files,
            std::vector<std::string> lists, std::string wow64Dir = "",
            std::vector<std::string> files32 = {}) {
    Found f;
    f.systemDir = systemDir;
    f.wow64Dir = std::move(wow64Dir);
    f.files = std::move(files);
    f.files32 = std::move(files32);
    f.lists = std::move(lists);
    return f;
}

std::string destinationOf(const Plan& plan, const std::string& from) {
    for (const Copy& c : plan.copies) {
        if (c.from == from) return c.to;
    }
    return "(not copied)";
}

TEST(InstallPlan, PlacesLibrariesInTheSystemDirectoryAndTheRestInTheProductFolder) {
    const Plan plan = planInstall(
        options(), found(kSystem,
                         {"tbserv.exe", "TAMBERLY.exe", "tbhelp.dll", "tbtime.dll", "tbreglib.dll",
                          "restricted1.htm", "license.txt", "notes.obj", "tbserv.pdb"},
                         {"TBinC.dat", "TBinD.dat", "tbfD.dat", "README"}));
    EXPECT_EQ(plan.productFolder, "C:\\Program Files\\Tamberly\\");
    EXPECT_EQ(destinationOf(plan, "Z:\\stage\\tbhelp.dll"), "C:\\windows\\system32\\tbhelp.dll");
    EXPECT_EQ(destinationOf(plan, "Z:\\stage\\tbreglib.dll"),
              "C:\\windows\\system32\\tbreglib.dll");
    EXPECT_EQ(destinationOf(plan, "Z:\\stage\\tbserv.exe"),
              "C:\\Program Files\\Tamberly\\tbserv.exe");
    EXPECT_EQ(destinationOf(plan, "Z:\\stage\\restricted1.htm"),
              "C:\\Program Files\\Tamberly\\restricted1.htm");
    EXPECT_EQ(destinationOf(plan, "Z:\\lists\\TBinD.dat"),
              "C:\\Program Files\\Tamberly\\TBinD.dat");
    EXPECT_EQ(destinationOf(plan, "Z:\\lists\\tbfD.dat"), "C:\\Program Files\\Tamberly\\tbfD.dat");
    EXPECT_EQ(destinationOf(plan, "Z:\\stage\\notes.obj"), "(not copied)");
    EXPECT_EQ(destinationOf(plan, "Z:\\lists\\README"), "(not copied)");
    EXPECT_EQ(plan.copies.size(), 10u);
    EXPECT_EQ(plan.libraries, (std::vector<std::string>{"C:\\windows\\system32\\tbtime.dll",
                                                        "C:\\windows\\system32\\tbhelp.dll",
                                                        "C:\\windows\\system32\\tbreglib.dll"}));
    EXPECT_EQ(plan.service, "C:\\Program Files\\Tamberly\\tbserv.exe");
}

TEST(InstallPlan, WritesTheModeTheStartValueAndTheTimeZoneHandOver) {
    Plan plan = planInstall(options(), found(kSystem, {"tbserv.exe"}, {}));
    EXPECT_EQ(plan.usingProxy, 0u);
    EXPECT_FALSE(plan.timeZoneFile);
    EXPECT_EQ(plan.startKey, "software\\Microsoft\\Windows\\CurrentVersion\\Run");
    EXPECT_EQ(plan.startValue, "\"C:\\Program Files\\Tamberly\\tbserv.exe\"");

    plan = planInstall(options(true, "(GMT+01:00) Paris"), found("C:\\WINDOWS\\SYSTEM", {}, {}));
    EXPECT_EQ(plan.usingProxy, 1u);
    EXPECT_EQ(plan.timeZoneFile, "C:\\Program Files\\Tamberly\\tbhelp.dat");
    EXPECT_EQ(plan.startKey, "software\\Microsoft\\Windows\\CurrentVersion\\RunServices");
    EXPECT_FALSE(plan.service);
}

TEST(InstallPlan, HandsOverTheComputersZoneOnlyOnAFirstInstall) {
    Options computer = options();
    computer.computerTimeZone = true;
    Found fresh = found(kSystem, {"tbserv.exe"}, {});
    fresh.computerZone = "(UTC+01:00) Brussels, Copenhagen, Madrid, Paris";
    Plan plan = planInstall(computer, fresh);
    EXPECT_EQ(plan.timeZone, fresh.computerZone);
    EXPECT_EQ(plan.timeZoneFile, "C:\\Program Files\\Tamberly\\tbhelp.dat");

    // Over an earlier installation the parent's chosen zone stays; a zone
    // given by name is still handed over.
    for (const char* left : {"tbd.dat", "TBU.DAT"}) {
        Found upgrade = fresh;
        upgrade.installed = {"tbserv.exe", left};
        EXPECT_FALSE(planInstall(computer, upgrade).timeZoneFile) << left;
        EXPECT_EQ(planInstall(options(false, "(GMT) x"), upgrade).timeZone, "(GMT) x");
    }
    fresh.computerZone.reset();
    EXPECT_FALSE(planInstall(computer, fresh).timeZoneFile) << "a zone not in the table";
}

TEST(ComputerZone, IsFoundByKeyNameThenByStandardName) {
    const std::vector<ZoneEntry> zones{
        {"UTC", "Coordinated Universal Time", "(UTC) Coordinated Universal Time"},
        {"Romance Standard Time", "Romance Standard Time", "(UTC+01:00) Paris"},
        {"Greenwich Standard Time", "Greenwich Standard Time", "(UTC+00:00) Monrovia"},
        {"Broken", "Broken Time", ""}};
    EXPECT_EQ(computerZoneDisplay(zones, "romance standard time", "x"), "(UTC+01:00) Paris");
    EXPECT_EQ(computerZoneDisplay(zones, "", "Greenwich Standard Time"), "(UTC+00:00) Monrovia");
    EXPECT_EQ(computerZoneDisplay(zones, "Gone", "Coordinated Universal Time"),
              "(UTC) Coordinated Universal Time");
    EXPECT_FALSE(computerZoneDisplay(zones, "Broken", "Broken Time")) << "no display text";
    EXPECT_FALSE(computerZoneDisplay(zones, "", ""));
}

TEST(InstallPlan, TheAddRemoveProgramsEntryUninstallsThroughTheManager) {
    Plan plan = planInstall(options(), found(kSystem, {"tbserv.exe", "TAMBERLY.exe"}, {}));
    const UninstallEntry& entry = plan.uninstallEntry;
    EXPECT_EQ(entry.key, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tamberly");
    auto text = [&](const std::string& name) {
        for (const RegistryText& t : entry.texts) {
            if (t.name == name) return t.text;
        }
        return std::string("(none)");
    };
    EXPECT_EQ(text("DisplayName"), "Tamberly");
    EXPECT_EQ(text("UninstallString"), "\"C:\\Program Files\\Tamberly\\TAMBERLY.exe\" /uninstall");
    EXPECT_EQ(text("DisplayIcon"), "C:\\Program Files\\Tamberly\\TAMBERLY.exe,0");
    EXPECT_EQ(entry.flags, (std::vector<std::string>{"NoModify", "NoRepair"}));

    plan = planInstall(options(), found(kSystem, {"tbserv.exe"}, {}));
    EXPECT_TRUE(plan.uninstallEntry.key.empty()) << "no Manager to uninstall with";
}

TEST(InstallPlan, MakesTheStartMenuShortcutsThatUninstallRemoves) {
    const Plan plan = planInstall(options(), found(kSystem, {"TAMBERLY.exe", "Readme.doc"}, {}));
    ASSERT_EQ(plan.shortcuts.size(), 2u);
    EXPECT_EQ(plan.shortcuts[0].path, "C:\\windows\\start menu\\programs\\tamberly\\Tamberly.lnk");
    EXPECT_EQ(plan.shortcuts[0].target, "C:\\Program Files\\Tamberly\\TAMBERLY.exe");
    EXPECT_EQ(plan.shortcuts[1].path, "C:\\windows\\start menu\\programs\\tamberly\\ReadMe.lnk");
    EXPECT_EQ(plan.directories.back(), "C:\\windows\\start menu\\programs\\tamberly");
}

TEST(InstallPlan, On64BitWindowsThe32BitPlugInsGoToThe32BitSystemDirectoryAndItsRegsvr32) {
    Options o = options();
    o.files32Dir = "Z:\\x86";
    const std::vector<std::string> x86 = {"tbserv.exe",   "tbhelp.dll",     "tbbar.dll",
                                          "tbpages.dll",  "tbhook.dll",     "tbtime.dll",
                                          "tbhook32.exe", "restricted1.htm"};
    const Plan plan = planInstall(o, found(kSystem, {"tbserv.exe", "tbhelp.dll", "tbhook.dll"}, {},
                                           "C:\\windows\\syswow64", x86));
    EXPECT_EQ(destinationOf(plan, "Z:\\stage\\tbhelp.dll"), "C:\\windows\\system32\\tbhelp.dll");
    EXPECT_EQ(destinationOf(plan, "Z:\\x86\\tbhelp.dll"), "C:\\windows\\syswow64\\tbhelp.dll");
    EXPECT_EQ(destinationOf(plan, "Z:\\x86\\tbpages.dll"), "C:\\windows\\syswow64\\tbpages.dll");
    EXPECT_EQ(destinationOf(plan, "Z:\\x86\\tbhook.dll"), "C:\\windows\\syswow64\\tbhook.dll");
    EXPECT_EQ(destinationOf(plan, "Z:\\x86\\tbhook32.exe"),
              "C:\\Program Files\\Tamberly\\tbhook32.exe");
    // One service, 64-bit; the 32-bit programs the browser does not load stay out.
    EXPECT_EQ(destinationOf(plan, "Z:\\x86\\tbserv.exe"), "(not copied)");
    EXPECT_EQ(destinationOf(plan, "Z:\\x86\\tbtime.dll"), "(not copied)");
    EXPECT_EQ(destinationOf(plan, "Z:\\x86\\restricted1.htm"), "(not copied)");
    EXPECT_EQ(plan.libraries32, (std::vector<std::string>{"C:\\windows\\syswow64\\tbbar.dll",
                                                          "C:\\windows\\syswow64\\tbhelp.dll"}));
    EXPECT_EQ(plan.regsvr32, "C:\\windows\\syswow64\\regsvr32.exe");
    EXPECT_EQ(bitnessProblem(o, found(kSystem, {}, {}, "C:\\windows\\syswow64", x86), true), "");

    // 32-bit Windows: one bitness, whatever the arguments.
    const Plan plain = planInstall(o, found(kSystem, {"tbhelp.dll"}, {}, "", x86));
    EXPECT_TRUE(plain.libraries32.empty());
    EXPECT_EQ(destinationOf(plain, "Z:\\x86\\tbhelp.dll"), "(not copied)");
    EXPECT_EQ(bitnessProblem(o, found(kSystem, {}, {}, "", {}), false), "");
}

TEST(InstallPlan, On64BitWindowsRefusesAnInstallThatWouldLeaveThe32BitBrowserUnfiltered) {
    Options o = options();
    const std::string wow64 = "C:\\windows\\syswow64";
    EXPECT_NE(bitnessProblem(o, found(kSystem, {}, {}, wow64), true).find("--files32"),
              std::string::npos);
    o.files32Dir = "Z:\\x86";
    EXPECT_NE(bitnessProblem(o,
                             found(kSystem, {}, {}, wow64,
                                   {"tbhelp.dll", "tbbar.dll", "tbpages.dll", "tbhook32.exe"}),
                             true)
                  .find("tbhook.dll"),
              std::string::npos);
    EXPECT_NE(bitnessProblem(o,
                             found(kSystem, {}, {}, wow64,
                                   {"tbhelp.dll", "tbbar.dll", "tbpages.dll", "tbhook.dll"}),
                             true)
                  .find("tbhook32.exe"),
              std::string::npos);
    EXPECT_NE(bitnessProblem(o, found(kSystem, {}, {}, wow64), false).find("64-bit installer"),
              std::string::npos);
}

TEST(InstallPlan, RefusesOnlyOverAPendingUninstall) {
    EXPECT_FALSE(uninstallPending(std::nullopt));
    EXPECT_FALSE(uninstallPending(0u));
    EXPECT_FALSE(uninstallPending(1u));
    EXPECT_TRUE(uninstallPending(2u));
    EXPECT_TRUE(uninstallPending(3u));
}

TEST(InstallPlan, ArgumentsNameBothDirectories) {
    std::string error;
    auto parsed =
        parseArguments({"--files=Z:\\a", "--lists=Z:\\b", "--timezone=(GMT) x", "--proxy"}, error);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->filesDir, "Z:\\a");
    EXPECT_EQ(parsed->timeZone, "(GMT) x");
    EXPECT_TRUE(parsed->proxyMode);
    EXPECT_FALSE(parsed->files32Dir);
    EXPECT_EQ(parseArguments({"--files=a", "--lists=b", "--files32=Z:\\x86"}, error)->files32Dir,
              "Z:\\x86");
    EXPECT_TRUE(
        parseArguments({"--files=a", "--lists=b", "--computer-timezone"}, error)->computerTimeZone);
    EXPECT_FALSE(
        parseArguments({"--files=a", "--lists=b", "--computer-timezone", "--timezone=x"}, error));
    EXPECT_FALSE(parseArguments({"--files=Z:\\a"}, error));
    EXPECT_FALSE(parseArguments({"--files=a", "--lists=b", "--force"}, error));
    EXPECT_NE(error.find("--force"), std::string::npos);
}

TEST(ResolvedPath, ResolvesParentSteps) {
    EXPECT_EQ(resolvedPath("C:\\windows\\system32\\..\\..\\Program Files\\Tamberly\\"),
              "C:\\Program Files\\Tamberly\\");
    EXPECT_EQ(resolvedPath("C:\\WINDOWS\\SYSTEM\\..\\..\\x"), "C:\\x");
    EXPECT_EQ(resolvedPath("C:\\..\\..\\x"), "C:\\x");
    EXPECT_EQ(resolvedPath("C:\\a\\.\\b"), "C:\\a\\b");
    EXPECT_EQ(resolvedPath("C:\\a\\.."), "C:\\");
}

}  // namespace
}  // namespace tb::installer
