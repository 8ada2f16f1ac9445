// The first steps of Load: installer leftovers, the installation mode,
// other browser helpers and proxy mode.
#include "service/process/load_preparation.h"

#include <gtest/gtest.h>

#include "common/tests/memory_registry.h"
#include "service/lists/tests/list_builder.h"
#include "service/settings/product_key.h"

namespace tb {
namespace {

class LoadPreparationTest : public ::testing::Test {
  protected:
    LoadPreparation preparation() {
        return LoadPreparation(registry, dir.dir(),
                               {[this](uint32_t mode) { stepTwo.push_back(mode); },
                                [this] { ++proxyStarts; }});
    }
    void setMode(uint32_t usingProxy) {
        registry.createKey(RegRoot::LocalMachine, settings::kProductKey);
        registry.writeDword(RegRoot::LocalMachine, settings::kProductKey, "usingProxy", usingProxy);
    }
    std::string helper(const std::string& clsid) { return std::string(kBrowserHelpersKey) + "\\" + clsid; }

    testing::MemoryRegistry registry;
    testing::TempDirectory dir;
    std::vector<uint32_t> stepTwo;
    int proxyStarts = 0;
};

TEST_F(LoadPreparationTest, RemovesTheInstallersLeftoversAndEmptiesOtherHelpers) {
    for (const char* f : {"Install.log", "Unregistertbhelp.EXE", "Unwise.exe", "keep.txt"}) dir.write(f, "x");
    registry.createKey(RegRoot::LocalMachine, helper("{11111111-0000-0000-0000-000000000000}") + "\\Sub");
    registry.createKey(RegRoot::LocalMachine, helper(kOurHelper) + "\\Sub");
    registry.createKey(RegRoot::LocalMachine, helper("{00000000-e5da-11d2-8bdd-0000c0301be5}") + "\\Sub");
    EXPECT_TRUE(preparation().beforeLoad());
    EXPECT_FALSE(dir.has("Install.log"));
    EXPECT_FALSE(dir.has("Unwise.exe"));
    EXPECT_TRUE(dir.has("keep.txt"));
    EXPECT_TRUE(registry.keyExists(RegRoot::LocalMachine, helper("{11111111-0000-0000-0000-000000000000}")));
    EXPECT_FALSE(registry.keyExists(RegRoot::LocalMachine, helper("{11111111-0000-0000-0000-000000000000}") + "\\Sub"));
    EXPECT_TRUE(registry.keyExists(RegRoot::LocalMachine, helper(kOurHelper) + "\\Sub"));
    EXPECT_TRUE(registry.keyExists(RegRoot::LocalMachine, helper("{00000000-e5da-11d2-8bdd-0000c0301be5}") + "\\Sub"));
    EXPECT_EQ(proxyStarts, 0);
}

TEST_F(LoadPreparationTest, APendingUninstallRunsStepTwoInsteadOfTheLoad) {
    setMode(3);
    EXPECT_FALSE(preparation().beforeLoad());
    EXPECT_EQ(stepTwo, std::vector<uint32_t>{3});
}

TEST_F(LoadPreparationTest, ProxyModeStartsItsThreadAtEveryLoad) {
    setMode(1);
    LoadPreparation steps = preparation();
    EXPECT_TRUE(steps.beforeLoad());
    EXPECT_TRUE(steps.beforeLoad());
    EXPECT_EQ(proxyStarts, 2);
}

TEST_F(LoadPreparationTest, AProductKeyWithoutTheModeStopsTheLoad) {
    registry.createKey(RegRoot::LocalMachine, settings::kProductKey);
    EXPECT_FALSE(preparation().beforeLoad());
    EXPECT_TRUE(stepTwo.empty());
}

}  // namespace
}  // namespace tb
