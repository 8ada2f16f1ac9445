#include "service/timed/proxy_mode.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "common/tests/memory_registry.h"
#include "service/timed/proxy_keeper.h"

namespace tb::proxy {
namespace {

using tb::testing::MemoryRegistry;
constexpr RegRoot HKLM = RegRoot::LocalMachine;
constexpr RegRoot HKCU = RegRoot::CurrentUser;
const std::vector<uint8_t> kUserBlob{0x3C, 0, 0, 0, 9, 0, 0, 0, 1};

// A user with a proxy of their own and two dial-up connections.
void userWithOwnProxy(MemoryRegistry& reg) {
    reg.createKey(HKCU, kConnections);
    reg.writeString(HKCU, kInternetSettings, "ProxyServer", "proxy.example:3128");
    reg.writeDword(HKCU, kInternetSettings, "ProxyEnable", 1);
    reg.writeString(HKCU, kInternetSettings, "ProxyOverride", "<local>;*.school.example");
    reg.writeBinary(HKCU, kConnections, "Dial-up", kUserBlob);
    reg.writeBinary(HKCU, kConnections, "Office VPN", {1, 2, 3});
    reg.writeBinary(HKCU, kConnections, "DefaultConnectionSettings", {7, 7});
    reg.writeBinary(HKCU, kConnections, "SavedLegacySettings", {8, 8});
}

TEST(ProxyBlob, Is71BytesPointingAtTheLocalProxy) {
    const std::vector<uint8_t> blob = proxyBlob();
    ASSERT_EQ(blob.size(), 71u);
    const std::vector<uint8_t> head{0x3C, 0, 0, 0, 1, 0, 0, 0, 3, 0, 0, 0, 19, 0, 0, 0};
    EXPECT_EQ(std::vector<uint8_t>(blob.begin(), blob.begin() + 16), head);
    EXPECT_EQ(std::string(blob.begin() + 16, blob.begin() + 35), "http=localhost:8080");
    EXPECT_EQ(std::vector<uint8_t>(blob.begin() + 35, blob.end()), std::vector<uint8_t>(36, 0));
}

// --- Saving at registration --------------------------------------------

TEST(SaveUserProxySettings, KeepsTheUsersSettingsAndConnectionsUnderTheProductKey) {
    MemoryRegistry reg;
    userWithOwnProxy(reg);
    ASSERT_TRUE(saveUserProxySettings(reg));
    EXPECT_EQ(reg.readDword(HKLM, kProductKey, "usingProxy"), 1u);
    EXPECT_EQ(reg.readString(HKLM, kProductKey, "OldProxyServer"), "proxy.example:3128");
    EXPECT_EQ(reg.readDword(HKLM, kProductKey, "OldProxyEnable"), 1u);
    EXPECT_EQ(reg.readString(HKLM, kProductKey, "OldProxyOverride"), "<local>;*.school.example");
    EXPECT_EQ(reg.readBinary(HKLM, kProductConnections, "Dial-up"), kUserBlob);
    EXPECT_EQ(reg.readBinary(HKLM, kProductConnections, "Office VPN"),
              (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(reg.readBinary(HKLM, kProductConnections, "DefaultConnectionSettings"));
    EXPECT_FALSE(reg.readBinary(HKLM, kProductConnections, "SavedLegacySettings"));
}

TEST(SaveUserProxySettings, SavesTheUsersSettingsAlsoWhenTheInstallerWroteProxyModeFirst) {
    MemoryRegistry reg;
    userWithOwnProxy(reg);
    reg.createKey(HKLM, kProductKey);
    reg.writeDword(HKLM, kProductKey, "usingProxy", 1);
    ASSERT_TRUE(saveUserProxySettings(reg));
    EXPECT_EQ(reg.readString(HKLM, kProductKey, "OldProxyServer"), "proxy.example:3128");
    EXPECT_EQ(reg.readBinary(HKLM, kProductConnections, "Dial-up"), kUserBlob);
}

TEST(SaveUserProxySettings, MissingUserValuesAreSavedAsNoProxy) {
    MemoryRegistry reg;
    ASSERT_TRUE(saveUserProxySettings(reg));
    EXPECT_EQ(reg.readString(HKLM, kProductKey, "OldProxyServer"), "");
    EXPECT_EQ(reg.readDword(HKLM, kProductKey, "OldProxyEnable"), 0u);
    EXPECT_FALSE(reg.readString(HKLM, kProductKey, "OldProxyOverride"));
    EXPECT_FALSE(reg.keyExists(HKLM, kProductConnections)) << "the user has no connections key";
}

TEST(SaveUserProxySettings, ASecondRegistrationDoesNotSaveOurOwnSettingsAsTheUsers) {
    MemoryRegistry reg;
    userWithOwnProxy(reg);
    saveUserProxySettings(reg);
    applyProxySettings(reg);
    saveUserProxySettings(reg);
    EXPECT_EQ(reg.readString(HKLM, kProductKey, "OldProxyServer"), "proxy.example:3128");
    EXPECT_EQ(reg.readDword(HKLM, kProductKey, "OldProxyEnable"), 1u);
    EXPECT_EQ(reg.readString(HKLM, kProductKey, "OldProxyOverride"), "<local>;*.school.example");
    EXPECT_EQ(reg.readBinary(HKLM, kProductConnections, "Dial-up"), kUserBlob);
}

// --- The keeping round ----------------------------------------------------

TEST(ApplyProxySettings, PointsEveryConnectionButTheKeptOnesAtTheLocalProxy) {
    MemoryRegistry reg;
    userWithOwnProxy(reg);
    applyProxySettings(reg);
    EXPECT_EQ(reg.readDword(HKCU, kInternetSettings, "ProxyEnable"), 1u);
    EXPECT_EQ(reg.readString(HKCU, kInternetSettings, "ProxyServer"), "http=localhost:8080");
    EXPECT_EQ(reg.readString(HKCU, kInternetSettings, "ProxyOverride"), "");
    EXPECT_EQ(reg.readBinary(HKCU, kConnections, "Dial-up"), proxyBlob());
    EXPECT_EQ(reg.readBinary(HKCU, kConnections, "Office VPN"), proxyBlob());
    EXPECT_EQ(reg.readBinary(HKCU, kConnections, "DefaultConnectionSettings"),
              (std::vector<uint8_t>{7, 7}));
    EXPECT_EQ(reg.readBinary(HKCU, kConnections, "SavedLegacySettings"),
              (std::vector<uint8_t>{8, 8}));
}

TEST(ApplyProxySettings, WithoutAConnectionsKeyOnlyTheSettingsAreWritten) {
    MemoryRegistry reg;
    applyProxySettings(reg);
    EXPECT_EQ(reg.readString(HKCU, kInternetSettings, "ProxyServer"), "http=localhost:8080");
    EXPECT_FALSE(reg.keyExists(HKCU, kConnections));
}

TEST(ProxyRound, SavesEvery125SecondsAndAsksForUpdatesEveryRound) {
    MemoryRegistry reg;
    int saves = 0, asks = 0;
    std::vector<int> saveRounds;
    ProxyRound round;
    const ProxyCallbacks callbacks{[&] {
                                       saveRounds.push_back(asks + 1);
                                       ++saves;
                                   },
                                   [&] { ++asks; }};
    for (int i = 0; i < 60; ++i) round.run(reg, callbacks);
    EXPECT_EQ(asks, 60);
    // Rounds are 5 s apart: round 26 starts 125 s after the first.
    EXPECT_EQ(saveRounds, (std::vector<int>{26, 51}));
    EXPECT_EQ(reg.readString(HKCU, kInternetSettings, "ProxyServer"), "http=localhost:8080");
}

TEST(ProxyRound, SaveComesBeforeTheUpdateQuestionInItsRound) {
    MemoryRegistry reg;
    std::string order;
    ProxyRound round;
    const ProxyCallbacks callbacks{[&] { order += "S"; }, [&] { order += "u"; }};
    for (int i = 0; i < 26; ++i) round.run(reg, callbacks);
    EXPECT_EQ(order.substr(order.size() - 3), "uSu");
}

TEST(ProxyKeeper, RunsRoundsOnItsOwnThreadUntilStopped) {
    auto registry = std::make_unique<MemoryRegistry>();
    MemoryRegistry* reg = registry.get();
    std::atomic<int> asks{0};
    ProxyKeeper keeper(std::move(registry), {nullptr, [&] { ++asks; }},
                       std::chrono::milliseconds(5));
    keeper.start();
    keeper.start();  // one thread per keeper
    while (keeper.rounds() < 3) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    keeper.stop();
    EXPECT_FALSE(keeper.running());
    EXPECT_EQ(asks.load(), keeper.rounds());
    EXPECT_EQ(reg->readString(HKCU, kInternetSettings, "ProxyServer"), "http=localhost:8080");
}

TEST(ProxyKeeper, StopEndsTheWaitAtOnce) {
    ProxyKeeper keeper(std::make_unique<MemoryRegistry>(), {}, std::chrono::hours(1));
    keeper.start();
    while (keeper.rounds() < 1) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    const auto begin = std::chrono::steady_clock::now();
    keeper.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
}

}  // namespace
}  // namespace tb::proxy
