// The product as the installer leaves it, in this test's own prefix: what
// the installed suites share.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "common/com_holders.h"
#include "common/local_server_win32.h"
#include "common/tbserv.h"
#include "service/process/tests/wine_test_support.h"

namespace tb::installed {

// Where the installer puts the service and its files.
inline const std::string kProduct = "C:\\Program Files\\Tamberly\\";

std::string temporary(const std::string& name);

// Runs the setup program silently (both bitnesses on 64-bit Windows, the
// 32-bit product on 32-bit Windows), once per test process;
// later calls give the first run's outcome. The time component is pointed
// at a loopback port where nothing answers.
const testing::ProgramRun& installProduct();

// The daytime server the time component asks at its next start.
void setDaytimePort(DWORD port);

std::vector<unsigned long> serverProcesses();
// WM_QUIT to the service's threads: it saves and ends. False when a service
// did not end within 30 seconds.
bool endService();

// Presses OK on every "Incorrect Password" dialog the service shows while
// it lives, and counts them.
class IncorrectPasswordAnswerer {
  public:
    IncorrectPasswordAnswerer() : thread_([this] { run(); }) {}
    ~IncorrectPasswordAnswerer() {
        stop_ = true;
        thread_.join();
    }
    int answered() const { return answered_; }

  private:
    void run() {
        while (!stop_) {
            if (HWND dialog = FindWindowA(nullptr, "Incorrect Password")) {
                if (dialog != last_) ++answered_;
                last_ = dialog;
                PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(203, BN_CLICKED), 0);
            }
            Sleep(100);
        }
    }
    std::atomic<bool> stop_{false};
    std::atomic<int> answered_{0};
    HWND last_ = nullptr;
    std::thread thread_;
};

// The suites' fixture: the product installed once per process, a connection
// to the service in each case, and the service ended after the suite.
class InstalledProduct : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { installProduct(); }
    static void TearDownTestSuite() { endService(); }

    void SetUp() override {
        ASSERT_EQ(installProduct().exitCode, 0u) << installProduct().output;
        ASSERT_TRUE(SUCCEEDED(com.result()));
        ASSERT_TRUE(connect());
    }

    // A new connection, which starts the service when none runs; else, as
    // the Manager and the helper do, the running one from the running
    // object table.
    virtual bool connect() {
        log.Reset();
        const Microsoft::WRL::ComPtr<IUnknown> object = createOrStartLocalServer(CLSID_Log);
        return object && object.As(&log) == S_OK;
    }

    ComApartment com;
    Microsoft::WRL::ComPtr<ILog> log;
};

}  // namespace tb::installed
