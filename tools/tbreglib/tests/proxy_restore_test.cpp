#include "tools/tbreglib/proxy_restore.h"

#include <gtest/gtest.h>

#include "common/tests/memory_registry.h"
#include "service/timed/proxy_mode.h"

namespace tb::reglib {
namespace {

using namespace tb::proxy;
using tb::testing::MemoryRegistry;
constexpr RegRoot HKCU = RegRoot::CurrentUser;
constexpr RegRoot HKLM = RegRoot::LocalMachine;

TEST(RestoreInternetExplorerProxy, PutsBackWhatRegistrationSavedAfterProxyModeOverwroteIt) {
    MemoryRegistry reg;
    reg.createKey(HKCU, kConnections);
    reg.writeString(HKCU, kInternetSettings, "ProxyServer", "proxy.example:3128");
    reg.writeDword(HKCU, kInternetSettings, "ProxyEnable", 1);
    reg.writeString(HKCU, kInternetSettings, "ProxyOverride", "<local>");
    reg.writeBinary(HKCU, kConnections, "Dial-up", {1, 2, 3});
    reg.writeBinary(HKCU, kConnections, "DefaultConnectionSettings", {9});
    saveUserProxySettings(reg);
    applyProxySettings(reg);

    ASSERT_TRUE(restoreInternetExplorerProxy(reg));
    EXPECT_EQ(reg.readString(HKCU, kInternetSettings, "ProxyServer"), "proxy.example:3128");
    EXPECT_EQ(reg.readDword(HKCU, kInternetSettings, "ProxyEnable"), 1u);
    EXPECT_EQ(reg.readString(HKCU, kInternetSettings, "ProxyOverride"), "<local>");
    EXPECT_EQ(reg.readBinary(HKCU, kConnections, "Dial-up"), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(reg.readBinary(HKCU, kConnections, "DefaultConnectionSettings"),
              (std::vector<uint8_t>{9}));

    applyProxySettings(reg);  // the service ran on after an unregistration
    ASSERT_TRUE(restoreInternetExplorerProxy(reg));
    EXPECT_EQ(reg.readString(HKCU, kInternetSettings, "ProxyServer"), "proxy.example:3128");
}

TEST(RestoreInternetExplorerProxy, AUserWithoutAProxyEndsWithoutOne) {
    MemoryRegistry reg;
    saveUserProxySettings(reg);
    applyProxySettings(reg);
    ASSERT_TRUE(restoreInternetExplorerProxy(reg));
    EXPECT_FALSE(reg.readString(HKCU, kInternetSettings, "ProxyServer"));
    EXPECT_FALSE(reg.readString(HKCU, kInternetSettings, "ProxyOverride"));
    EXPECT_EQ(reg.readDword(HKCU, kInternetSettings, "ProxyEnable"), 0u);
}

TEST(RestoreInternetExplorerProxy, NothingSavedChangesNothing) {
    MemoryRegistry reg;
    reg.createKey(HKCU, kInternetSettings);
    reg.writeString(HKCU, kInternetSettings, "ProxyServer", "mine:80");
    EXPECT_FALSE(restoreInternetExplorerProxy(reg));
    EXPECT_EQ(reg.readString(HKCU, kInternetSettings, "ProxyServer"), "mine:80");
    EXPECT_TRUE(restoreNetscapeProxy(reg));
    EXPECT_FALSE(reg.keyExists(HKLM, kProductKey));
}

}  // namespace
}  // namespace tb::reglib
