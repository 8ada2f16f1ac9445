// What the Manager's window tests share: a fake service with a script, one
// Manager process, and the ids of the controls they drive.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "manager/tests/manager_driver.h"

namespace tb::test {

inline constexpr char kSheetTitle[] = "Tamberly Manager";
inline constexpr char kPassword[] = "secret";

class ManagerUiTest : public ::testing::Test {
  protected:
    // Starts the fake with the script; the Manager is started by the test.
    void serve(const std::vector<std::string>& script) {
        service_ = std::make_unique<FakeService>(script);
        ASSERT_TRUE(service_->running())
            << "the fake service did not start: " << service_->failure();
        // The fake browser control (where registered) records into the same log.
        SetEnvironmentVariableA("TB_FAKE_BROWSER_LOG", service_->logPath().c_str());
    }
    // The fake, the Manager, the password: the sheet on its first page.
    HWND openSheet(const std::vector<std::string>& script = {}) {
        serve(script);
        if (!service_->running()) return nullptr;
        HWND sheet = manager_.logIn(kPassword);
        EXPECT_NE(sheet, nullptr) << "no sheet";
        return sheet;
    }
    // Presses OK on the sheet and waits for the program to end.
    void pressOk(HWND sheet) {
        postClick(sheet, IDOK);
        EXPECT_TRUE(manager_.waitForExit()) << "the sheet stayed open";
    }
    std::vector<std::string> calls() const { return service_->callsSinceMark(); }
    // The sheet open, its first page's reads done, the log marked.
    HWND openSheetAndMark(const std::vector<std::string>& script = {}) {
        HWND sheet = openSheet(script);
        if (sheet) service_->mark();
        return sheet;
    }
    void TearDown() override {
        if (!manager_.hasExited()) {
            // A failing test may leave the sheet or a message box open.
            SeenMessageBox box;
            while ((box = manager_.waitForMessageBox(10)).hwnd) answerMessageBox(box);
        }
    }

    std::unique_ptr<FakeService> service_;
    ManagerProcess manager_;
};

// The calls of a list whose name starts with `prefix`.
inline std::vector<std::string> only(const std::vector<std::string>& calls,
                                     const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& c : calls) {
        if (c.rfind(prefix, 0) == 0) out.push_back(c);
    }
    return out;
}

// The calls that save page settings (everything but reading).
inline std::vector<std::string> writes(const std::vector<std::string>& calls) {
    std::vector<std::string> out;
    for (const std::string& c : calls) {
        if (c.rfind("Get", 0) != 0 && c.rfind("TBOn(\"\")", 0) != 0) out.push_back(c);
    }
    return out;
}

}  // namespace tb::test
