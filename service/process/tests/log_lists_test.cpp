// The filter and list members of Log, through the interfaces, on a copy of
// the sample data in a directory of the test's own.
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "service/lists/tests/list_builder.h"
#include "service/process/log_object.h"
#include "service/process/tests/log_members.h"

using Microsoft::WRL::ComPtr;

namespace tb {
namespace {

using Strings = std::vector<std::string>;
using testing::Filtered;
using testing::LogMembers;

// The filter --------------------------------------------------------------------

TEST_F(LogMembers, FilterUrlReplacesABlockedAddressByTheLocalBlockPage) {
    const Filtered blocked = filter("http://www.royal-casino.example/poker/tables.htm");
    EXPECT_EQ(blocked.status, S_OK);
    EXPECT_EQ(blocked.allowed, 0);
    EXPECT_EQ(blocked.userAllowed, 0);
    EXPECT_EQ(blocked.url, dir_.file("restricted1.htm"));
    EXPECT_EQ(dir_.read("tbURLBlocked.txt"), "www.royal-casino.example\r\n");

    const Filtered word = filter("http://forum.example/jackpotking-tips.htm");
    EXPECT_EQ(word.url, dir_.file("restricted3.htm"));

    const Filtered allowed = filter("http://www.news.example/today.htm");
    EXPECT_EQ(allowed.allowed, 1);  // true is 1, not -1
    EXPECT_EQ(allowed.userAllowed, 0);
    EXPECT_EQ(allowed.url, "http://www.news.example/today.htm");
}

TEST_F(LogMembers, ABlockedAddressGetsTheRemotePageWhenTheLocalOneIsMissing) {
    dir_.remove("restricted1.htm");
    create();
    EXPECT_EQ(filter("http://bets.test/").url, vendor::kRemoteRestrictedPage);
}

TEST_F(LogMembers, LogUrlAnswersWhetherTheAddressWasLetThroughBeforeAnyContentTest) {
    for (auto [address, expected] :
         {std::pair{"http://www.news.example/", 0}, std::pair{"http://www.school.example/", 1},
          std::pair{"http://ads.fernwheel.biz/x", 1}, std::pair{"http://bets.test/", 0}}) {
        BSTR url = newBstr(address);
        VARIANT_BOOL answer = -7;
        EXPECT_EQ(log_->LogURL(&url, &answer), S_OK);
        EXPECT_EQ(answer, expected) << address;
        if (std::string(address) == "http://bets.test/") {
            EXPECT_EQ(toAnsi(url), dir_.file("restricted1.htm"));
        }
        SysFreeString(url);
    }
}

TEST_F(LogMembers, IsUrlAllowedReportsTheFlagThatAddUrlSets) {
    filter("http://www.news.example/");
    VARIANT_BOOL allowed = -7;
    ScopedBstr logged(L"www.news.example/");
    EXPECT_EQ(log_->IsURLAllowed(logged.get(), &allowed), S_OK);
    EXPECT_EQ(allowed, 1);
    addUrl("http://www.news.example/", 0, 0);
    EXPECT_EQ(log_->IsURLAllowed(logged.get(), &allowed), S_OK);
    EXPECT_EQ(allowed, 0);
    EXPECT_TRUE(blockList().empty());  // logged: only the flag changed
}

TEST_F(LogMembers, PassesFilterListReplacesAPageWithABlockedWord) {
    BSTR url = newBstr("http://forum.example/page.htm");
    BSTR text = newBstr("Tonight: JACKPOTKING tournament");
    VARIANT_BOOL passed = -7;
    EXPECT_EQ(log_->passesFilterList(&url, &text, &passed), S_OK);
    EXPECT_EQ(passed, 0);
    EXPECT_EQ(toAnsi(text), dir_.file("restricted3.htm"));
    SysFreeString(text);
    text = newBstr("Tonight: chess");
    EXPECT_EQ(log_->passesFilterList(&url, &text, &passed), S_OK);
    EXPECT_EQ(passed, 1);
    EXPECT_EQ(toAnsi(text), "Tonight: chess");
    SysFreeString(text);
    SysFreeString(url);
}

TEST_F(LogMembers, InternalUrlMatchKnowsTheBlockPagesAndTheVendorsPages) {
    VARIANT_BOOL match = -7;
    ScopedBstr page(toWide(dir_.file("restricted1.htm")).c_str());
    EXPECT_EQ(log_->internalURLMatch(page.get(), &match), S_OK);
    EXPECT_EQ(match, 1);
    ScopedBstr update(L"http://www.orvan.com/tamberly/tamberlyupdate.asp");
    log_->internalURLMatch(update.get(), &match);
    EXPECT_EQ(match, 1);
    ScopedBstr other(L"http://www.news.example/story.htm");
    log_->internalURLMatch(other.get(), &match);
    EXPECT_EQ(match, 0);
}

TEST_F(LogMembers, FilterUrlThroughInvokeGivesTheSameBlockPage) {
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(log_.As(&dispatch), S_OK);
    BSTR url = newBstr("http://www.darkcult.example/");
    VARIANT_BOOL userAllowed = -7;
    VARIANT args[2];
    V_VT(&args[1]) = VT_BSTR | VT_BYREF;
    V_BSTRREF(&args[1]) = &url;
    V_VT(&args[0]) = VT_BOOL | VT_BYREF;
    V_BOOLREF(&args[0]) = &userAllowed;
    DISPPARAMS params = {args, nullptr, 2, 0};
    ScopedVariant result;
    ASSERT_EQ(dispatch->Invoke(26, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                               result.get(), nullptr, nullptr),
              S_OK);
    EXPECT_EQ(V_BOOL(result.get()), 0);
    EXPECT_EQ(toAnsi(url), dir_.file("restricted1.htm"));
    SysFreeString(url);
}

TEST_F(LogMembers, LoadReopensTheListsFromDisk) {
    const std::string list = dir_.read("TBinF.dat");
    log_.Reset();  // the object keeps its list files open
    manager_.Reset();
    dir_.remove("TBinF.dat");
    create();
    EXPECT_EQ(filter("http://www.gunshop.example/").userAllowed, 1);  // not ready: all let through
    dir_.write("TBinF.dat", list);
    EXPECT_EQ(log_->Load(), S_OK);
    EXPECT_EQ(filter("http://www.gunshop.example/").allowed, 0);
}

// Bad arguments -------------------------------------------------------------------

TEST_F(LogMembers, NullPointersAreRefusedAndANullStringIsTheEmptyText) {
    VARIANT_BOOL a = 0, b = 0;
    EXPECT_EQ(log_->FilterURL(nullptr, &a, &b), E_POINTER);
    BSTR none = nullptr;
    EXPECT_EQ(log_->FilterURL(&none, nullptr, &b), E_POINTER);
    EXPECT_EQ(log_->FilterURL(&none, &a, &b), S_OK);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 1);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(log_->LogURL(nullptr, &a), E_POINTER);
    EXPECT_EQ(log_->IsURLAllowed(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(log_->IsURLAllowed(nullptr, &a), S_OK);
    EXPECT_EQ(log_->AddURL(nullptr, &a, &b), E_POINTER);
    EXPECT_EQ(log_->AddURL(&none, nullptr, &b), E_POINTER);
    EXPECT_EQ(log_->passesFilterList(&none, nullptr, &a), E_POINTER);
    EXPECT_EQ(log_->internalURLMatch(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(log_->internalURLMatch(nullptr, &a), S_OK);
    EXPECT_EQ(log_->AddWordToBlock(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(log_->getFirstUserWord(nullptr), E_POINTER);
    EXPECT_EQ(log_->getNextUserWord(nullptr), E_POINTER);
    EXPECT_EQ(log_->removeUserWord(nullptr), S_OK);
    EXPECT_EQ(log_->UploadFromFile(nullptr, nullptr, nullptr, &a), E_POINTER);
    EXPECT_EQ(log_->UploadFromFile(nullptr, nullptr, &a, &b), S_OK);  // no such directory
    for (auto member : {&IManagerData::GetPersBlockSites, &IManagerData::SetPersBlockSites,
                        &IManagerData::GetWords, &IManagerData::SetWords,
                        &IManagerData::GetAllowedSites, &IManagerData::SetAllowedSites}) {
        EXPECT_EQ((manager_.Get()->*member)(nullptr), E_POINTER);
    }
}

// What script languages send: an array of VARIANT, any lower bound, with
// strings given directly or by reference.
TEST_F(LogMembers, SetMembersTakeTheArraysOfVariantThatScriptsSend) {
    SAFEARRAYBOUND bound{3, 1};
    SAFEARRAY* array = SafeArrayCreate(VT_VARIANT, 1, &bound);
    ASSERT_TRUE(array);
    ScopedBstr byReference(L"b.example/");
    BSTR referenced = byReference.get();
    ScopedVariant inner;
    V_VT(inner.get()) = VT_BSTR;
    V_BSTR(inner.get()) = SysAllocString(L"c.example/");
    VARIANT* items = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array, reinterpret_cast<void**>(&items)), S_OK);
    V_VT(&items[0]) = VT_BSTR;
    V_BSTR(&items[0]) = SysAllocString(L"a.example/");
    V_VT(&items[1]) = VT_BYREF | VT_BSTR;
    V_BSTRREF(&items[1]) = &referenced;
    V_VT(&items[2]) = VT_BYREF | VT_VARIANT;
    V_VARIANTREF(&items[2]) = inner.get();
    SafeArrayUnaccessData(array);
    ScopedVariant list;
    V_VT(list.get()) = VT_ARRAY | VT_VARIANT;
    V_ARRAY(list.get()) = array;

    const Strings expected{"a.example/", "b.example/", "c.example/"};
    EXPECT_EQ(manager_->SetPersBlockSites(list.get()), S_OK);
    EXPECT_EQ(blockList(), expected);
    EXPECT_EQ(manager_->SetAllowedSites(list.get()), S_OK);
    EXPECT_EQ(allowList(), expected);
    EXPECT_EQ(manager_->SetWords(list.get()), S_OK);
    EXPECT_EQ(words(), expected);

    // One element of another kind refuses the whole array.
    ASSERT_EQ(SafeArrayAccessData(array, reinterpret_cast<void**>(&items)), S_OK);
    VariantClear(&items[0]);
    V_VT(&items[0]) = VT_I4;
    V_I4(&items[0]) = 7;
    SafeArrayUnaccessData(array);
    EXPECT_EQ(manager_->SetPersBlockSites(list.get()), E_INVALIDARG);
    EXPECT_EQ(manager_->SetWords(list.get()), E_INVALIDARG);
    EXPECT_EQ(blockList(), expected);
    EXPECT_EQ(words(), expected);
}

TEST_F(LogMembers, SetMembersRefuseAnythingButAnArrayOfStringsAndChangeNothing) {
    ASSERT_EQ(setList(&IManagerData::SetPersBlockSites, {"keep.example/"}), S_OK);
    ASSERT_EQ(setList(&IManagerData::SetWords, {"keepword"}), S_OK);
    const std::string fileBefore = dir_.read("TBinB.dat");

    std::vector<ScopedVariant> wrong(4);
    V_VT(wrong[1].get()) = VT_BSTR;
    V_BSTR(wrong[1].get()) = SysAllocString(L"a.example");
    V_VT(wrong[2].get()) = VT_ARRAY | VT_I4;
    V_ARRAY(wrong[2].get()) = SafeArrayCreateVector(VT_I4, 0, 2);
    SAFEARRAYBOUND bounds[2] = {{2, 0}, {2, 0}};
    V_VT(wrong[3].get()) = VT_ARRAY | VT_BSTR;
    V_ARRAY(wrong[3].get()) = SafeArrayCreate(VT_BSTR, 2, bounds);
    for (auto& v : wrong) {
        EXPECT_EQ(manager_->SetPersBlockSites(v.get()), E_INVALIDARG) << V_VT(v.get());
        EXPECT_EQ(manager_->SetAllowedSites(v.get()), E_INVALIDARG) << V_VT(v.get());
        EXPECT_EQ(manager_->SetWords(v.get()), E_INVALIDARG) << V_VT(v.get());
    }
    EXPECT_EQ(blockList(), Strings{"keep.example/"});
    EXPECT_EQ(dir_.read("TBinB.dat"), fileBefore);
    EXPECT_EQ(words(), Strings{"keepword"});

    // A null array is the empty list.
    ScopedVariant empty;
    V_VT(empty.get()) = VT_ARRAY | VT_BSTR;
    V_ARRAY(empty.get()) = nullptr;
    EXPECT_EQ(manager_->SetPersBlockSites(empty.get()), S_OK);
    EXPECT_TRUE(blockList().empty());
}

// The lists through their files ----------------------------------------------------

TEST_F(LogMembers, BlockAndAllowListsRoundTripThroughTheirFiles) {
    EXPECT_TRUE(blockList().empty());
    ASSERT_EQ(setList(&IManagerData::SetPersBlockSites, {"x.example/", "y.example/page.htm"}),
              S_OK);
    ASSERT_EQ(setList(&IManagerData::SetAllowedSites, {"www.gunshop.example/range/"}), S_OK);
    create();  // a new object reads them back from the files
    EXPECT_EQ(blockList(), (Strings{"x.example/", "y.example/page.htm"}));
    EXPECT_EQ(allowList(), Strings{"www.gunshop.example/range/"});
    EXPECT_EQ(filter("http://x.example/a/b").allowed, 0);
    EXPECT_EQ(filter("http://www.gunshop.example/range/safety.htm").allowed, 1);
    EXPECT_EQ(filter("http://www.gunshop.example/catalogue.htm").allowed, 0);
}

TEST_F(LogMembers, AddUrlHandsBackTheNormalisedAddressAndBlocksIt) {
    EXPECT_EQ(addUrl("HTTP://Site.Example\\Page"), "site.example/page");
    EXPECT_EQ(addUrl("http://whole.example/dir/page.htm", 1), "whole.example/dir/");
    EXPECT_EQ(blockList(), (Strings{"site.example/page", "whole.example/dir/"}));
    EXPECT_EQ(filter("http://whole.example/dir/other.htm").allowed, 0);
}

TEST_F(LogMembers, TheParentsWordsThroughTheInterface) {
    EXPECT_EQ(firstWord(), "<null>");
    ASSERT_EQ(setList(&IManagerData::SetWords, {"one", "two"}), S_OK);
    EXPECT_EQ(firstWord(), "one");
    EXPECT_EQ(nextWord(), "two");
    EXPECT_EQ(nextWord(), "<null>");
    VARIANT_BOOL result = -7;
    ScopedBstr three(L"three");
    EXPECT_EQ(log_->AddWordToBlock(three.get(), &result), S_OK);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(log_->AddWordToBlock(three.get(), &result), S_OK);
    EXPECT_EQ(result, 0);
    ScopedBstr one(L"one");
    EXPECT_EQ(log_->removeUserWord(one.get()), S_OK);
    EXPECT_EQ(words(), (Strings{"two", "three"}));
    EXPECT_EQ(log_->Save(), S_OK);
    create();
    EXPECT_EQ(words(), (Strings{"two", "three"}));
    EXPECT_EQ(filter("http://three.example/").allowed, 0);
}

TEST_F(LogMembers, WordMembersAnswerSFalseWhileTheListsAreNotLoaded) {
    dir_.remove("tbfH.dat");
    create();
    ScopedBstr word(L"w");
    VARIANT_BOOL result = -7;
    EXPECT_EQ(log_->AddWordToBlock(word.get(), &result), S_FALSE);
    EXPECT_EQ(result, -7);
    BSTR out = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(log_->getFirstUserWord(&out), S_FALSE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(log_->removeUserWord(word.get()), S_FALSE);
    EXPECT_EQ(log_->IsURLAllowed(word.get(), &result), S_FALSE);
    EXPECT_EQ(result, 0);
}

// Import files ------------------------------------------------------------------------

struct SeenDialog {
    std::wstring title;
    std::vector<std::wstring> texts;
};

// Waits for the service's modal dialog of that title, notes its texts and
// presses OK.
std::thread answerDialog(const wchar_t* title, SeenDialog& seen, std::atomic<bool>& stop) {
    return std::thread([title, &seen, &stop] {
        for (int i = 0; i < 400 && !stop; ++i) {
            HWND dialog = FindWindowW(L"#32770", title);
            if (!dialog) {
                Sleep(25);
                continue;
            }
            seen.title = title;
            EnumChildWindows(
                dialog,
                [](HWND child, LPARAM out) CALLBACK -> BOOL {
                    wchar_t text[1024] = {};
                    GetWindowTextW(child, text, 1024);
                    reinterpret_cast<std::vector<std::wstring>*>(out)->push_back(text);
                    return TRUE;
                },
                reinterpret_cast<LPARAM>(&seen.texts));
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
            return;
        }
    });
}

TEST_F(LogMembers, AnImportFileWithABadFirstLineIsRefusedWithTheImportErrorDialog) {
    dir_.write("import.txt", "www.site.example\r\nhttp://b.example\r\n");
    SeenDialog seen;
    std::atomic<bool> stop{false};
    std::thread answer = answerDialog(L"Import Error", seen, stop);
    const HRESULT hr = upload("import.txt");
    stop = true;
    answer.join();
    EXPECT_EQ(hr, S_FALSE);
    EXPECT_EQ(seen.title, L"Import Error");
    const std::wstring expected = toWide(
        "Imported files should have one URL on each line and the first URL should start with "
        "\"http://\".   "
        "Please reformat your file and try again.");
    EXPECT_NE(std::find(seen.texts.begin(), seen.texts.end(), expected), seen.texts.end());
    EXPECT_NE(std::find(seen.texts.begin(), seen.texts.end(), L"OK"), seen.texts.end());
    EXPECT_TRUE(blockList().empty());
}

TEST_F(LogMembers, AGoodImportFileBlocksEveryAddressInIt) {
    dir_.write("import.txt", "http://a.example\r\nb.example\r\n");
    EXPECT_EQ(upload("import.txt"), S_OK);
    EXPECT_EQ(blockList(), (Strings{"a.example", "b.example"}));
    EXPECT_EQ(filter("http://b.example").allowed, 0);
}

}  // namespace
}  // namespace tb
