#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "common/tests/memory_registry.h"
#include "service/uninstall/dialog_passwords.h"
#include "service/uninstall/uninstall_steps.h"

namespace tb::uninstall {
namespace {

using tb::testing::MemoryRegistry;
constexpr RegRoot HKLM = RegRoot::LocalMachine;
const std::string kNtSystem = "C:\\WINNT\\system32";
const std::string k95System = "C:\\WINDOWS\\SYSTEM";
const std::string kHelperKey =
    std::string(kHelperObjectsKey) + "\\{AEF74060-ECDE-11d2-8BDD-0000C0301BE5}";

// Everything the steps do, in order, in one journal.
using Journal = std::vector<std::string>;

class RecordingRegistry : public MemoryRegistry {
  public:
    explicit RecordingRegistry(Journal& journal) : journal_(journal) {}
    bool deleteKey(RegRoot root, const std::string& path) override {
        journal_.push_back("delete key " + path);
        return MemoryRegistry::deleteKey(root, path);
    }
    bool deleteValue(RegRoot root, const std::string& path, const std::string& name) override {
        journal_.push_back("delete value " + path + " " + name);
        return MemoryRegistry::deleteValue(root, path, name);
    }
    bool writeDword(RegRoot root, const std::string& path, const std::string& name,
                    uint32_t v) override {
        journal_.push_back("write " + name + "=" + std::to_string(v));
        return MemoryRegistry::writeDword(root, path, name, v);
    }
    bool writeString(RegRoot root, const std::string& path, const std::string& name,
                     const std::string& v) override {
        journal_.push_back("write " + path + " " + name + "=" + v);
        return MemoryRegistry::writeString(root, path, name, v);
    }

  private:
    Journal& journal_;
};

class RecordingSystem : public UninstallSystem {
  public:
    explicit RecordingSystem(Journal& journal) : journal_(journal) {}
    void unregisterLibrary(const std::string& path) override {
        journal_.push_back("unregister " + path);
    }
    void unregisterLibrary32(const std::string& path) override {
        journal_.push_back("unregister 32-bit " + path);
    }
    void unregisterService() override { journal_.push_back("unregister service"); }
    bool enableShutdownPrivilege() override {
        journal_.push_back("privilege");
        return privilege;
    }
    void restartWindows() override { journal_.push_back("restart"); }
    void restoreProxySettings() override { journal_.push_back("restore proxy"); }
    void deleteFile(const std::string& path) override { journal_.push_back("delete " + path); }
    void removeDirectory(const std::string& path) override { journal_.push_back("rmdir " + path); }
    void endService() override { journal_.push_back("end"); }
    bool privilege = true;

  private:
    Journal& journal_;
};

class UninstallTest : public ::testing::Test {
  protected:
    UninstallTest() : reg(journal), system(journal) {}

    // An installation as the installer leaves it, started from the NT family.
    void installed(uint32_t mode, const std::string& systemDir = kNtSystem) {
        const std::string run = startKey(systemDir);
        reg.createKey(HKLM, std::string(kProductKey) + "\\eic2");
        reg.MemoryRegistry::writeDword(HKLM, kProductKey, "usingProxy", mode);
        reg.MemoryRegistry::writeDword(HKLM, kProductKey, "updateTime", 1);
        reg.createKey(HKLM, run);
        reg.MemoryRegistry::writeString(HKLM, run, kStartValue,
                                        "C:\\Program Files\\Tamberly\\tbserv.exe");
        reg.MemoryRegistry::writeString(HKLM, run, kOldProxyStartValue, "C:\\tbproxy.exe");
        reg.createKey(HKLM, kLegacyPasswordKey);
        reg.createKey(HKLM, kUninstallEntryKey);
        reg.createKey(HKLM, kHelperKey);
        reg.createKey(HKLM,
                      std::string(kHelperObjectsKey) + "\\{11111111-0000-0000-0000-000000000000}");
        journal.clear();
    }
    size_t indexOf(const std::string& entry) const {
        return std::find(journal.begin(), journal.end(), entry) - journal.begin();
    }

    Journal journal;
    RecordingRegistry reg;
    RecordingSystem system;
};

// --- Tables and paths -----------------------------------------------------

TEST(FileTable, HoldsTheSystemFilesThenTheProductFilesInOrder) {
    const std::vector<std::string> table = fileTable(kNtSystem);
    ASSERT_EQ(table.size(), 9u + 12u + 9u + 6u + 5u);
    EXPECT_EQ(table.front(), "C:\\WINNT\\system32\\tbbar.dll");
    EXPECT_EQ(table[8], "C:\\WINNT\\system32\\tbhook.dll");
    EXPECT_EQ(table[9], "C:\\WINNT\\system32\\..\\..\\Program Files\\Tamberly\\tbi.dat");
    EXPECT_EQ(table[20], "C:\\WINNT\\system32\\..\\..\\Program Files\\Tamberly\\tbhook32.exe");
    EXPECT_EQ(table[21], "C:\\WINNT\\system32\\..\\..\\Program Files\\Tamberly\\TBinA.dat");
    EXPECT_EQ(table[29], "C:\\WINNT\\system32\\..\\..\\Program Files\\Tamberly\\TBinI.dat");
    EXPECT_EQ(table[30], "C:\\WINNT\\system32\\..\\..\\Program Files\\Tamberly\\tbfD.dat");
    EXPECT_EQ(table.back(), "C:\\WINNT\\system32\\..\\..\\Program Files\\Tamberly\\Readme.doc");
    EXPECT_EQ(std::count(table.begin(), table.end(),
                         "C:\\WINNT\\system32\\..\\..\\Program Files\\Tamberly\\tbserv.exe"),
              0);
    EXPECT_EQ(startMenuFolder("C:\\WINDOWS\\SYSTEM\\"),
              "C:\\WINDOWS\\SYSTEM\\..\\start menu\\programs\\tamberly");
}

TEST(FileTable, TheNtFamilyIsKnownByTheSystemDirectoryEndingInTwo) {
    EXPECT_TRUE(isNtFamily("C:\\WINNT\\system32"));
    EXPECT_TRUE(isNtFamily("C:\\windows\\system32\\"));
    EXPECT_FALSE(isNtFamily(k95System));
    EXPECT_FALSE(isNtFamily(""));
    EXPECT_EQ(startKey(kNtSystem), kRunKey);
    EXPECT_EQ(startKey(k95System), kRunServicesKey);
}

// --- Step one -------------------------------------------------------------

TEST_F(UninstallTest, StepOneUnregistersMarksPendingAndRestarts) {
    installed(kNormal);
    uninstallStepOne(kNtSystem, kNormal, reg, system);
    EXPECT_EQ(journal,
              (Journal{"unregister C:\\WINNT\\system32\\tbhelp.dll",
                       "unregister C:\\WINNT\\system32\\tbbar.dll",
                       "unregister C:\\WINNT\\system32\\lnchtbbar.dll", "unregister service",
                       "write usingProxy=2", "privilege", "restart"}));
    EXPECT_TRUE(reg.readString(HKLM, kRunKey, kOldProxyStartValue)) << "only proxy mode removes it";
}

TEST_F(UninstallTest, StepOneInProxyModeMarksThreeAndRemovesTheOldProxyStartEntry) {
    installed(kProxyMode, k95System);
    uninstallStepOne(k95System, kProxyMode, reg, system);
    EXPECT_EQ(reg.readDword(HKLM, kProductKey, "usingProxy"), 3u);
    EXPECT_FALSE(reg.readString(HKLM, kRunServicesKey, kOldProxyStartValue));
    EXPECT_LT(indexOf("write usingProxy=3"), indexOf("restart"));
}

TEST_F(UninstallTest, StepOneWithoutTheShutdownPrivilegeLeavesThePendingMarkAndDoesNotRestart) {
    installed(kNormal);
    system.privilege = false;
    uninstallStepOne(kNtSystem, kNormal, reg, system);
    EXPECT_EQ(reg.readDword(HKLM, kProductKey, "usingProxy"), 2u);
    EXPECT_EQ(journal.back(), "privilege");
}

// --- Step two -------------------------------------------------------------

TEST_F(UninstallTest, StepTwoRemovesFilesThenRegistryEntriesThenEndsTheService) {
    installed(kPending);
    uninstallStepTwo(kNtSystem, kPending, reg, system);
    EXPECT_EQ(indexOf("restore proxy"), journal.size()) << "not in proxy mode";
    EXPECT_EQ(journal.front(), "delete C:\\WINNT\\system32\\tbbar.dll");
    const std::string menu = "C:\\WINNT\\system32\\..\\start menu\\programs\\tamberly";
    EXPECT_LT(indexOf("delete " + menu + "\\Tamberly.lnk"), indexOf("rmdir " + menu));
    EXPECT_LT(indexOf("rmdir " + menu),
              indexOf(std::string("delete value ") + kRunKey + " tbservexe"));
    EXPECT_EQ(journal.back(), "end");

    EXPECT_FALSE(reg.readString(HKLM, kRunKey, kStartValue));
    EXPECT_FALSE(reg.keyExists(HKLM, kLegacyPasswordKey));
    EXPECT_FALSE(reg.keyExists(HKLM, kProductKey));
    EXPECT_FALSE(reg.keyExists(HKLM, kPublisherKey));
    EXPECT_FALSE(reg.keyExists(HKLM, kUninstallEntryKey)) << "Add/Remove Programs";
    EXPECT_FALSE(reg.keyExists(HKLM, kHelperKey));
    EXPECT_TRUE(reg.keyExists(
        HKLM, std::string(kHelperObjectsKey) + "\\{11111111-0000-0000-0000-000000000000}"))
        << "other browser helpers stay";
}

TEST_F(UninstallTest, StepTwoInProxyModePutsTheProxyBackBeforeAnythingIsRemoved) {
    installed(kPendingProxy);
    uninstallStepTwo(kNtSystem, kPendingProxy, reg, system);
    EXPECT_EQ(journal.front(), "restore proxy");
    EXPECT_EQ(reg.readString(HKLM, kRunKey, kStartValue), "C:\\Program Files\\Tamberly\\tbserv.exe")
        << "written back under Run";
}

TEST_F(UninstallTest, StepTwoOnTheWindows95FamilyUsesRunServicesAndWritesBackUnderRun) {
    installed(kPendingProxy, k95System);
    uninstallStepTwo(k95System, kPendingProxy, reg, system);
    EXPECT_FALSE(reg.readString(HKLM, kRunServicesKey, kStartValue));
    EXPECT_EQ(reg.readString(HKLM, kRunKey, kStartValue),
              "C:\\Program Files\\Tamberly\\tbserv.exe");
}

TEST_F(UninstallTest, AProductKeyWithSubkeysLeftStaysButLosesItsValues) {
    installed(kPendingProxy);
    reg.createKey(HKLM, std::string(kProductKey) + "\\Connections");
    uninstallStepTwo(kNtSystem, kPendingProxy, reg, system);
    EXPECT_TRUE(reg.keyExists(HKLM, kProductKey));
    EXPECT_FALSE(reg.readDword(HKLM, kProductKey, "usingProxy"));
    EXPECT_FALSE(reg.readDword(HKLM, kProductKey, "updateTime"));
    EXPECT_FALSE(reg.keyExists(HKLM, std::string(kProductKey) + "\\eic2"));
    EXPECT_EQ(journal.back(), "end") << "failed deletions do not stop the step";
}

// --- 64-bit Windows: the 32-bit side goes too ------------------------------

TEST_F(UninstallTest, On64BitWindowsBothStepsTakeThe32BitPlugInsAndHelperKeysToo) {
    const std::string wow64Dir = "C:\\windows\\syswow64";
    Journal journal32;
    RecordingRegistry reg32(journal32);
    reg32.createKey(HKLM, kHelperKey);
    const Wow64Side wow64{wow64Dir, reg32};
    installed(kNormal, "C:\\windows\\system32");

    uninstallStepOne("C:\\windows\\system32", kNormal, reg, system, &wow64);
    for (const char* dll : {"tbhelp.dll", "tbbar.dll"}) {
        EXPECT_LT(indexOf("unregister 32-bit " + wow64Dir + "\\" + dll),
                  indexOf("unregister service"));
        EXPECT_LT(indexOf(std::string("unregister C:\\windows\\system32\\") + dll),
                  indexOf("unregister 32-bit " + wow64Dir + "\\" + dll));
    }

    journal.clear();
    uninstallStepTwo("C:\\windows\\system32", kPending, reg, system, &wow64);
    for (const char* f : {"tbhelp.dll", "tbbar.dll", "tbpages.dll", "tbhook.dll"}) {
        EXPECT_LT(indexOf("delete " + wow64Dir + "\\" + f), journal.size()) << f;
    }
    EXPECT_LT(indexOf("delete C:\\windows\\system32\\..\\..\\Program Files\\Tamberly\\tbhook32.exe"),
              journal.size());
    EXPECT_FALSE(reg32.keyExists(HKLM, kHelperKey)) << "the 32-bit browser's helper key";
    EXPECT_FALSE(reg.keyExists(HKLM, kHelperKey));
    EXPECT_EQ(journal.back(), "end");
}

// --- The dialogs' password rule --------------------------------------------

TEST(DialogPasswords, ThePasswordOrTodaysMasterCodeStartsTheUninstall) {
    const auto master = [](const std::string& t) { return t == "bcdfgh"; };
    EXPECT_TRUE(uninstallPasswordAccepted("Secret", std::string("secret"), master));
    EXPECT_TRUE(uninstallPasswordAccepted("BCDFGH", std::string("secret"), master));
    EXPECT_TRUE(uninstallPasswordAccepted("bcdfgh", std::nullopt, master));
    EXPECT_FALSE(uninstallPasswordAccepted("wrong", std::string("secret"), master));
    EXPECT_FALSE(uninstallPasswordAccepted("", std::nullopt, master)) << "no password set";
    EXPECT_TRUE(uninstallPasswordAccepted("", std::string(""), master)) << "an empty password";
    EXPECT_FALSE(uninstallPasswordAccepted("secret", std::string("secret2"), nullptr));
}

TEST(DialogPasswords, LongPasswordsCompareOnTheirFirst47Characters) {
    const std::string stored(47, 'a');
    EXPECT_TRUE(matchesPasswordEntry(typedPassword(std::string(49, 'A')), stored));
    EXPECT_TRUE(matchesPasswordEntry(typedPassword(std::string(60, 'a')), std::string(60, 'a')));
    EXPECT_FALSE(matchesPasswordEntry(typedPassword(std::string(46, 'a')), stored));
    EXPECT_EQ(typedPassword(std::string(60, 'X')), std::string(49, 'x'));
    EXPECT_EQ(typedPassword(std::string("ab\0cd", 5)), "ab");
}

}  // namespace
}  // namespace tb::uninstall
