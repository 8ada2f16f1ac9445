// The service's dialogs for real: shown through the seam, found and
// answered by window automation.
#include "service/dialogs/service_dialogs_win32.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "service/settings/password.h"

namespace tb::dialogs {
namespace {

// A dialog counts as shown once it is visible: FindWindow already finds it
// while WM_INITDIALOG is still filling in its texts and position.
HWND waitForDialog(const wchar_t* title) {
    for (int i = 0; i < 500; ++i) {
        HWND found = FindWindowW(L"#32770", title);
        if (found && IsWindowVisible(found)) return found;
        Sleep(10);
    }
    return nullptr;
}

std::wstring windowText(HWND window) {
    wchar_t text[1024] = {};
    GetWindowTextW(window, text, 1024);
    return text;
}

std::wstring controlText(HWND dialog, int control) {
    return windowText(GetDlgItem(dialog, control));
}

void click(HWND dialog, int button) {
    SendMessageW(GetDlgItem(dialog, button), BM_CLICK, 0, 0);
}

// Shows `dialog` on this thread while `drive` works on the window from
// another; returns the command that closed it.
int showAndDrive(Win32ServiceDialogs& dialogs, int dialog, const wchar_t* title,
                 const std::function<void(HWND)>& drive,
                 const std::vector<ControlText>& texts = {}) {
    std::thread driver([&] {
        HWND found = waitForDialog(title);
        EXPECT_TRUE(found) << "the dialog did not appear";
        if (found) drive(found);
    });
    const int result = dialogs.show(dialog, texts);
    driver.join();
    return result;
}

class ServiceDialogsTest : public ::testing::Test {
  protected:
    Win32ServiceDialogs dialogs{GetModuleHandleW(nullptr)};
};

TEST_F(ServiceDialogsTest, IncorrectPasswordShowsItsTextCentredAndClosesWithOk) {
    std::wstring text;
    RECT rect = {};
    HWND owner = reinterpret_cast<HWND>(1);
    const int result =
        showAndDrive(dialogs, IDD_INCORRECT_PASSWORD, L"Incorrect Password", [&](HWND dialog) {
            text = controlText(dialog, IDC_DIALOG_TEXT);
            GetWindowRect(dialog, &rect);
            owner = GetWindow(dialog, GW_OWNER);
            click(dialog, IDC_CLOSE_OK);
        });
    EXPECT_EQ(result, IDC_CLOSE_OK);
    EXPECT_EQ(text, L"You entered an incorrect Password.  Please try again.");
    EXPECT_EQ(owner, nullptr);

    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    EXPECT_NEAR((rect.left + rect.right) / 2, (desktop.left + desktop.right) / 2, 1);
    EXPECT_NEAR((rect.top + rect.bottom) / 2, (desktop.top + desktop.bottom) / 2, 1);
}

TEST_F(ServiceDialogsTest, LockOutShowsTheTextTheServiceGives) {
    std::wstring text;
    const int result = showAndDrive(dialogs, IDD_LOCKED_OUT, L"Incorrect Password",
                                    [&](HWND dialog) {
                                        text = controlText(dialog, IDC_DIALOG_TEXT);
                                        click(dialog, IDC_CLOSE_OK);
                                    },
                                    {{IDC_DIALOG_TEXT, settings::lockOutMessage()}});
    EXPECT_EQ(result, IDC_CLOSE_OK);
    EXPECT_EQ(text.rfind(L"You have entered more than 5 incorrect passwords.", 0), 0u);
    EXPECT_NE(text.find(L"\"support@orvan.com\""), std::wstring::npos);
}

TEST_F(ServiceDialogsTest, AboutNamesTheProductAndItsVersion) {
    std::wstring name, version;
    const int result = showAndDrive(dialogs, IDD_ABOUT, L"About Tamberly", [&](HWND dialog) {
        name = controlText(dialog, IDC_DIALOG_TEXT);
        version = controlText(dialog, IDC_DIALOG_TEXT2);
        click(dialog, IDC_CLOSE_OK);
    });
    EXPECT_EQ(result, IDC_CLOSE_OK);
    EXPECT_EQ(name, L"Tamberly");
    EXPECT_EQ(version, L"Version 2.0.5.0");
}

TEST_F(ServiceDialogsTest, CommandsOfOtherDialogsGoToTheirHandlers) {
    int passwordTries = 0;
    std::atomic<bool> later{false};
    dialogs.commands.passwordOk = [&](HWND dialog) {
        ++passwordTries;
        return controlText(dialog, IDC_PASSWORD_FIELD) == L"right";
    };
    dialogs.commands.askAgainLater = [&] { later = true; };

    bool stayedOpen = false;
    int result = showAndDrive(dialogs, 900, L"Command Test", [&](HWND dialog) {
        click(dialog, 1234);  // unknown: swallowed
        SetDlgItemTextW(dialog, IDC_PASSWORD_FIELD, L"wrong");
        click(dialog, IDC_PASSWORD_OK);
        stayedOpen = IsWindow(dialog) && IsWindowVisible(dialog);
        SetDlgItemTextW(dialog, IDC_PASSWORD_FIELD, L"right");
        click(dialog, IDC_PASSWORD_OK);
    });
    EXPECT_EQ(result, IDC_PASSWORD_OK);
    EXPECT_EQ(passwordTries, 2);
    EXPECT_TRUE(stayedOpen);

    result = showAndDrive(dialogs, 900, L"Command Test",
                          [&](HWND dialog) { click(dialog, IDC_ASK_AGAIN_LATER); });
    EXPECT_EQ(result, IDC_ASK_AGAIN_LATER);
    EXPECT_TRUE(later);
}

TEST_F(ServiceDialogsTest, AMissingDialogIsReportedNotShown) {
    EXPECT_EQ(dialogs.show(4242), -1);
}

}  // namespace
}  // namespace tb::dialogs
