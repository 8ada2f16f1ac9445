// The Manager against the real service, on the product as the installer
// leaves it (run-installed-tests.sh installs it into a prefix of its own):
// the first run sets the password, and what the parent changes on the pages
// reaches the service.
#include <windows.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "common/tbserv.h"
#include "manager/tests/manager_driver.h"

namespace tb::test {
namespace {

using Microsoft::WRL::ComPtr;

constexpr char kSheetTitle[] = "Tamberly Manager";
constexpr char kPassword[] = "Kite7";
constexpr int kCategoriesPage = 1, kWordsPage = 5;
constexpr int kGambling = 1039, kWordEdit = 1004, kAddWord = 1021;
constexpr int kBlockSitesPage = 3, kSiteEdit = 1014, kAddSite = 1018, kBlockList = 1003;
constexpr int kIncorrectPasswordOk = 203;
constexpr int kTimePage = 2, kFridayTotal = 1075, kAllowSitesPage = 4, kAllowList = 1089;

class InstalledManager : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(com_.result()));
        ASSERT_EQ(CoCreateInstance(CLSID_Log, nullptr, CLSCTX_LOCAL_SERVER, IID_ILog,
                                   reinterpret_cast<void**>(log_.GetAddressOf())),
                  S_OK);
        ASSERT_EQ(log_.As(&manager_), S_OK);
    }
    std::vector<std::string> words() {
        ScopedVariant list;
        EXPECT_EQ(manager_->GetWords(list.get()), S_OK);
        return stringsFromVariant(list.get()).value_or(std::vector<std::string>{});
    }
    HWND openSheet(ManagerProcess& manager) {
        HWND sheet = manager.logIn(kPassword);
        EXPECT_NE(sheet, nullptr) << "no sheet";
        return sheet;
    }
    void pressOk(ManagerProcess& manager, HWND sheet) {
        postClick(sheet, IDOK);
        EXPECT_TRUE(manager.waitForExit()) << "the sheet stayed open";
    }

    ComApartment com_;
    ComPtr<ILog> log_;
    ComPtr<IManagerData> manager_;
};

// A fresh installation has no password: the first start asks the parent
// for a new one, every later start for that one, and the empty text (or a
// child's guess) opens nothing. Runs first: the other cases log in with it.
TEST_F(InstalledManager, AFreshInstallAsksForANewPasswordAndThenForIt) {
    {
        ManagerProcess manager;
        ASSERT_TRUE(manager.start());
        HWND dialog = manager.waitForWindow("Tamberly Password");
        ASSERT_NE(dialog, nullptr) << "no new-password dialog";
        EXPECT_EQ(manager.findWindow("Tamberly Password Verification"), nullptr);
        setText(dialog, 1025, kPassword);
        setText(dialog, 1024, kPassword);
        postClick(dialog, IDOK);
        EXPECT_TRUE(manager.waitForExit());
    }
    ManagerProcess manager;
    ASSERT_TRUE(manager.start());
    HWND dialog = manager.waitForWindow("Tamberly Password Verification");
    ASSERT_NE(dialog, nullptr) << "the password is not asked for";
    for (const char* guess : {"", "kite"}) {
        setText(dialog, 1022, guess);
        postClick(dialog, IDOK);
        // The service tells of the wrong password in a dialog of its own,
        // which holds up its every client until it is answered.
        HWND incorrect = nullptr;
        for (int i = 0; i < 100 && !incorrect; ++i, Sleep(100))
            incorrect = FindWindowA(nullptr, "Incorrect Password");
        ASSERT_NE(incorrect, nullptr) << "\"" << guess << "\" was not refused";
        PostMessageA(incorrect, WM_COMMAND, MAKEWPARAM(kIncorrectPasswordOk, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(incorrect, kIncorrectPasswordOk)));
        for (int i = 0; i < 100 && IsWindow(incorrect); ++i) Sleep(100);
        ASSERT_FALSE(IsWindow(incorrect));
        EXPECT_EQ(manager.findWindow(kSheetTitle), nullptr) << "opened with \"" << guess << "\"";
    }
    HWND sheet = manager.logIn(kPassword);
    ASSERT_NE(sheet, nullptr);
    postClick(sheet, IDCANCEL);
    EXPECT_TRUE(manager.waitForExit());
}

TEST_F(InstalledManager, AWordAddedOnTheWordsPageIsInTheServicesList) {
    ManagerProcess manager;
    ASSERT_TRUE(manager.start());
    HWND sheet = openSheet(manager);
    ASSERT_NE(sheet, nullptr);
    HWND page = selectPage(sheet, kWordsPage);
    setText(page, kWordEdit, "zebrafish");
    click(page, kAddWord);
    pressOk(manager, sheet);
    const std::vector<std::string> list = words();
    EXPECT_NE(std::find(list.begin(), list.end(), "zebrafish"), list.end());
}

TEST_F(InstalledManager, GamblingSwitchedOffOnTheCategoriesPageLetsACasinoThrough) {
    BSTR url = newBstr("http://www.royal-casino.example/poker/tables.htm");
    VARIANT_BOOL userAllowed = 0, allowed = 0;
    ASSERT_EQ(log_->FilterURL(&url, &userAllowed, &allowed), S_OK);
    SysFreeString(url);
    EXPECT_EQ(allowed, 0);

    ManagerProcess manager;
    ASSERT_TRUE(manager.start());
    HWND sheet = openSheet(manager);
    ASSERT_NE(sheet, nullptr);
    HWND page = selectPage(sheet, kCategoriesPage);
    ASSERT_TRUE(isChecked(page, kGambling));
    click(page, kGambling);
    pressOk(manager, sheet);

    VARIANT_BOOL gambling = -7;
    EXPECT_EQ(manager_->GetCategoryState(ecat_Gambling, &gambling), S_OK);
    EXPECT_EQ(gambling, 0);
    url = newBstr("http://www.royal-casino.example/poker/tables.htm");
    ASSERT_EQ(log_->FilterURL(&url, &userAllowed, &allowed), S_OK);
    SysFreeString(url);
    EXPECT_EQ(allowed, 1);
}

TEST_F(InstalledManager, ASiteBlockedOnTheBlockSitesPageIsRefusedByTheFilter) {
    ManagerProcess manager;
    HWND sheet = openSheet(manager);
    ASSERT_NE(sheet, nullptr);
    HWND page = selectPage(sheet, kBlockSitesPage);
    setText(page, kSiteEdit, "http://www.fireworks.example/shop.htm");
    click(page, kAddSite);
    EXPECT_EQ(listItems(page, kBlockList).size(), 1u);
    pressOk(manager, sheet);

    BSTR url = newBstr("http://www.fireworks.example/shop.htm");
    VARIANT_BOOL userAllowed = 0, allowed = 0;
    ASSERT_EQ(log_->FilterURL(&url, &userAllowed, &allowed), S_OK);
    SysFreeString(url);
    EXPECT_EQ(allowed, 0);
}

TEST_F(InstalledManager, AnAddressAllowedOnTheAllowSitesPagePassesItsCategory) {
    const std::string address = "http://www.gunshop.example/catalogue.htm";
    BSTR url = newBstr(address);
    VARIANT_BOOL userAllowed = 0, allowed = 0;
    ASSERT_EQ(log_->FilterURL(&url, &userAllowed, &allowed), S_OK);
    SysFreeString(url);
    ASSERT_EQ(allowed, 0);

    ManagerProcess manager;
    HWND sheet = openSheet(manager);
    ASSERT_NE(sheet, nullptr);
    HWND page = selectPage(sheet, kAllowSitesPage);
    setText(page, kSiteEdit, address);
    click(page, kAddSite);
    EXPECT_EQ(listItems(page, kAllowList).size(), 1u);
    pressOk(manager, sheet);

    url = newBstr(address);
    ASSERT_EQ(log_->FilterURL(&url, &userAllowed, &allowed), S_OK);
    SysFreeString(url);
    EXPECT_EQ(allowed, 1);
}

TEST_F(InstalledManager, ADailyTotalSetOnTheTimePageIsTheServicesAllowance) {
    ManagerProcess manager;
    HWND sheet = openSheet(manager);
    ASSERT_NE(sheet, nullptr);
    HWND page = selectPage(sheet, kTimePage);
    setText(page, kFridayTotal, "3");
    pressOk(manager, sheet);
    short hours = -1;
    EXPECT_EQ(manager_->GetTotalHours(eday_Friday, &hours), S_OK);
    EXPECT_EQ(hours, 3);
}

}  // namespace
}  // namespace tb::test
