// Under Wine, in a prefix of its own: proxy mode on the real registry (the
// keeping thread undoes a change within one round), tbreglib putting the
// user's settings back, and the network clock read from a GetTime answer.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "common/registry_win32.h"
#include "service/process/tests/wine_test_support.h"
#include "service/timed/proxy_keeper.h"
#include "service/timed/proxy_mode.h"
#include "service/timed/time_server_clock_win32.h"

namespace tb {
namespace {

using namespace proxy;
constexpr RegRoot HKCU = RegRoot::CurrentUser;
constexpr RegRoot HKLM = RegRoot::LocalMachine;
const std::vector<uint8_t> kUserBlob{0x3C, 0, 0, 0, 5, 0, 0, 0, 1, 0, 0, 0};

class ProxyModeOnTheRegistry : public ::testing::Test {
protected:
    void SetUp() override {
        reg.deleteTree(HKLM, "Software\\Quillmoor");
        reg.createKey(HKCU, kConnections);
        reg.writeString(HKCU, kInternetSettings, "ProxyServer", "home.example:3128");
        reg.writeDword(HKCU, kInternetSettings, "ProxyEnable", 1);
        reg.writeString(HKCU, kInternetSettings, "ProxyOverride", "<local>");
        reg.writeBinary(HKCU, kConnections, "My ISP", kUserBlob);
    }
    std::optional<std::string> server() { return reg.readString(HKCU, kInternetSettings, "ProxyServer"); }
    Win32Registry reg;
};

TEST_F(ProxyModeOnTheRegistry, TheKeepingThreadUndoesAChangeWithinFiveSeconds) {
    ASSERT_TRUE(saveUserProxySettings(reg));
    int needUpdates = 0;
    ProxyKeeper keeper(std::make_unique<Win32Registry>(), {nullptr, [&] { ++needUpdates; }});
    keeper.start();
    while (keeper.rounds() < 1) Sleep(10);
    EXPECT_EQ(server(), "http=localhost:8080");
    EXPECT_EQ(reg.readDword(HKCU, kInternetSettings, "ProxyEnable"), 1u);
    EXPECT_EQ(reg.readString(HKCU, kInternetSettings, "ProxyOverride"), "");
    EXPECT_EQ(reg.readBinary(HKCU, kConnections, "My ISP"), proxyBlob());

    // The user sets another proxy in the browser's options.
    reg.writeString(HKCU, kInternetSettings, "ProxyServer", "elsewhere.example:80");
    reg.writeDword(HKCU, kInternetSettings, "ProxyEnable", 0);
    const auto changed = std::chrono::steady_clock::now();
    while (server() != "http=localhost:8080" && std::chrono::steady_clock::now() - changed < std::chrono::seconds(7)) {
        Sleep(20);
    }
    const auto took = std::chrono::steady_clock::now() - changed;
    keeper.stop();
    EXPECT_EQ(server(), "http=localhost:8080");
    EXPECT_LE(took, std::chrono::milliseconds(5300));
    EXPECT_EQ(reg.readDword(HKCU, kInternetSettings, "ProxyEnable"), 1u);
    EXPECT_EQ(needUpdates, keeper.rounds());
}

TEST_F(ProxyModeOnTheRegistry, TbreglibPutsTheUsersSettingsBack) {
    ASSERT_TRUE(saveUserProxySettings(reg));
    applyProxySettings(reg);
    HMODULE library = LoadLibraryA(testing::windowsPath(TB_TBREGLIB_DLL).c_str());
    ASSERT_TRUE(library);
    using Restore = BOOL(WINAPI*)();
    auto ie = reinterpret_cast<Restore>(reinterpret_cast<void*>(GetProcAddress(library, "RestoreAllIEProxy")));
    auto ns = reinterpret_cast<Restore>(reinterpret_cast<void*>(GetProcAddress(library, "RestoreAllNSProxy")));
    ASSERT_TRUE(ie && ns);
    EXPECT_TRUE(ie());
    EXPECT_TRUE(ns());
    FreeLibrary(library);
    EXPECT_EQ(server(), "home.example:3128");
    EXPECT_EQ(reg.readDword(HKCU, kInternetSettings, "ProxyEnable"), 1u);
    EXPECT_EQ(reg.readString(HKCU, kInternetSettings, "ProxyOverride"), "<local>");
    EXPECT_EQ(reg.readBinary(HKCU, kConnections, "My ISP"), kUserBlob);
}

// --- The network clock ----------------------------------------------------

// Answers GetTime as the time component does: a VT_ARRAY | VT_I4 of nine.
struct FakeTimeServer {
    HRESULT GetTime(VARIANT* fields, LONG* now) {
        VariantInit(fields);
        if (failure) return failure;
        SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, count);
        for (LONG i = 0; i < static_cast<LONG>(count); ++i) {
            LONG v = 10 * i + 1;
            SafeArrayPutElement(array, &i, &v);
        }
        V_VT(fields) = VT_ARRAY | VT_I4;
        V_ARRAY(fields) = array;
        *now = 123456;
        return S_OK;
    }
    HRESULT failure = S_OK;
    ULONG count = 9;
};

TEST(TimeServerClock, ReadsTheTimeValueAndTheNineFields) {
    FakeTimeServer server;
    TimeServerClock<FakeTimeServer> clock(&server);
    ClockReading reading;
    ASSERT_EQ(clock.getTime(reading), 0);
    EXPECT_EQ(reading.now, 123456);
    EXPECT_EQ(reading.fields.seconds, 1);
    EXPECT_EQ(reading.fields.hours, 21);
    EXPECT_EQ(reading.fields.weekday, 61);
    EXPECT_EQ(reading.fields.daylight, 81);
}

TEST(TimeServerClock, HandsOnAFailureAndRefusesAShortAnswer) {
    FakeTimeServer server;
    TimeServerClock<FakeTimeServer> clock(&server);
    ClockReading reading;
    server.failure = E_ACCESSDENIED;
    EXPECT_EQ(clock.getTime(reading), static_cast<int32_t>(E_ACCESSDENIED));
    server.failure = S_OK;
    server.count = 8;
    EXPECT_EQ(clock.getTime(reading), static_cast<int32_t>(DISP_E_TYPEMISMATCH));
    TimeServerClock<FakeTimeServer> none(nullptr);
    EXPECT_EQ(none.getTime(reading), static_cast<int32_t>(E_POINTER));
}

}  // namespace
}  // namespace tb
