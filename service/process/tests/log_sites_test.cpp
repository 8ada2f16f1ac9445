// The site log members of Log, the siteLog collection with its CUrlInfo
// items and enumerator, the password and filter switch, and Save/Load
// through real compound files.
#include <gtest/gtest.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include <fstream>
#include <iterator>

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "service/process/tests/log_members.h"
#include "service/process/tests/window_automation.h"
#include "service/process/url_info_object.h"

namespace tb {
namespace {

using Microsoft::WRL::ComPtr;
using Strings = std::vector<std::string>;

class LogSites : public testing::LogMembers {
  protected:
    void visit(const std::string& address) { EXPECT_EQ(filter("http://" + address).allowed, 1); }
    Strings visitedSites() { return listOf(&IManagerData::GetVisitedSites); }
    Strings blockedLog() { return listOf(&IManagerData::GetBlockedLog); }
    // The addresses of the entries, without their times.
    static Strings addressesOf(const Strings& entries) {
        Strings out;
        for (const std::string& e : entries) out.push_back(e.substr(e.find(' ') + 1));
        return out;
    }
    ComPtr<ILogInfo> info() {
        ComPtr<ILogInfo> logInfo;
        EXPECT_EQ(log_.As(&logInfo), S_OK);
        return logInfo;
    }
    static std::string urlOf(IUrlInfo* item) {
        ScopedBstr url;
        EXPECT_EQ(item->get_URL(url.receive()), S_OK);
        return toAnsi(url.get());
    }
    static std::string urlOf(const VARIANT& v) {
        EXPECT_EQ(V_VT(&v), VT_DISPATCH);
        ComPtr<IUrlInfo> item;
        EXPECT_EQ(V_DISPATCH(&v)->QueryInterface(IID_PPV_ARGS(&item)), S_OK);
        return urlOf(item.Get());
    }
    VARIANT_BOOL tbOn(const std::string& password) {
        ScopedBstr text(toWide(password).c_str());
        VARIANT_BOOL on = -7;
        EXPECT_EQ(log_->TBOn(text.get(), &on), S_OK);
        return on;
    }
    VARIANT_BOOL verify(const std::string& password, HRESULT expected = S_OK) {
        ScopedBstr text(toWide(password).c_str());
        VARIANT_BOOL verified = -7;
        EXPECT_EQ(log_->VerifyPassword(text.get(), &verified), expected);
        return verified;
    }
};

TEST_F(LogSites, SaveAndANewObjectRestoreTheLogsAndTheSettingsFromCompoundFiles) {
    visit("www.news.example/today.htm");
    filter("http://www.royal-casino.example/poker/tables.htm");
    ASSERT_EQ(manager_->SetTotalHours(eday_Monday, 4), S_OK);
    ASSERT_EQ(manager_->SetCategoryState(ecat_Gambling, 0), S_OK);
    ASSERT_EQ(log_->Save(), S_OK);
    for (const char* file : {"tbl.log", "tblB.log", "tbd.dat"}) {
        EXPECT_EQ(StgIsStorageFile(toWide(dir_.file(file)).c_str()), S_OK) << file;
    }

    create();
    EXPECT_EQ(addressesOf(visitedSites()), Strings{"www.news.example/today.htm"});
    // A record read from the file has its neighbours set as a visit sets them.
    ComPtr<IUrlInfo> item;
    ScopedBstr logged(L"www.news.example/today.htm");
    ASSERT_EQ(info()->Item(logged.get(), &item), S_OK);
    ASSERT_NE(item, nullptr);
    ScopedBstr next, previous;
    EXPECT_EQ(item->get_NextURL(next.receive()), S_OK);
    EXPECT_EQ(item->get_PreviousURL(previous.receive()), S_OK);
    EXPECT_EQ(toAnsi(next.get()), "www.news.example/today.htm");
    EXPECT_EQ(toAnsi(previous.get()), "www.news.example/today.htm");
    EXPECT_EQ(addressesOf(blockedLog()), Strings{"www.royal-casino.example/poker/tables.htm"});
    short hours = -1;
    EXPECT_EQ(manager_->GetTotalHours(eday_Monday, &hours), S_OK);
    EXPECT_EQ(hours, 4);
    VARIANT_BOOL gambling = -7;
    EXPECT_EQ(manager_->GetCategoryState(ecat_Gambling, &gambling), S_OK);
    EXPECT_EQ(gambling, 0);
}

TEST_F(LogSites, SetVisitedSitesKeepsTheEntriesGivenAndRefusesWhatIsNoList) {
    for (const char* a : {"a.example/", "b.example/", "c.example/"}) visit(a);
    const Strings entries = visitedSites();
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(setList(&IManagerData::SetVisitedSites, {entries[0], entries[2]}), S_OK);
    EXPECT_EQ(addressesOf(visitedSites()), (Strings{"a.example/", "c.example/"}));

    ScopedVariant number;
    V_VT(number.get()) = VT_I4;
    V_I4(number.get()) = 3;
    EXPECT_EQ(manager_->SetVisitedSites(number.get()), E_INVALIDARG);
    EXPECT_EQ(visitedSites().size(), 2u);
    EXPECT_EQ(setList(&IManagerData::SetBlockedLog, {}), S_OK);
    EXPECT_TRUE(blockedLog().empty());
}

TEST_F(LogSites, ItemsOfTheCollectionReportAndChangeTheirRecord) {
    visit("a.example/");
    visit("b.example/");
    ComPtr<ILogInfo> logInfo = info();
    LONG count = -1;
    EXPECT_EQ(logInfo->get_Count(&count), S_OK);
    EXPECT_EQ(count, 2);

    ComPtr<IUrlInfo> missing;
    ScopedBstr notLogged(L"z.example/");
    EXPECT_EQ(logInfo->Item(notLogged.get(), &missing), S_OK);
    EXPECT_EQ(missing, nullptr);

    ComPtr<IUrlInfo> item;
    ScopedBstr logged(L"b.example/");
    ASSERT_EQ(logInfo->Item(logged.get(), &item), S_OK);
    ASSERT_NE(item, nullptr);
    LONG value = -1;
    EXPECT_EQ(item->get_NumberOfHits(&value), S_OK);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(item->put_Allowed(0), S_OK);
    ScopedBstr url(L"b.example/");
    VARIANT_BOOL allowed = -7;
    EXPECT_EQ(log_->IsURLAllowed(url.get(), &allowed), S_OK);
    EXPECT_EQ(allowed, 0);
    EXPECT_EQ(item->put_Allowed(5), S_OK);
    EXPECT_EQ(item->get_Allowed(&value), S_OK);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(item->get_HitFrequency(PerDay, &value), E_NOTIMPL);
    ScopedBstr next;
    EXPECT_EQ(item->get_NextURL(next.receive()), S_OK);
    EXPECT_EQ(toAnsi(next.get()), "b.example/");

    // The item outlives the removal of its record and a reload.
    EXPECT_EQ(setList(&IManagerData::SetVisitedSites, {}), S_OK);
    EXPECT_EQ(log_->Load(), S_OK);
    EXPECT_EQ(urlOf(item.Get()), "b.example/");

    ComPtr<ISupportErrorInfo> errors;
    ASSERT_EQ(item.As(&errors), S_OK);
    EXPECT_EQ(errors->InterfaceSupportsErrorInfo(IID_IUrlInfo), S_OK);
}

TEST_F(LogSites, GetFirstAndNextUrlWalkTheLogInKeyOrder) {
    ComPtr<ILogInfo> logInfo = info();
    ComPtr<IUrlInfo> item;
    EXPECT_EQ(logInfo->GetFirstURL(&item), S_OK);
    EXPECT_EQ(item, nullptr);
    for (const char* a : {"c.example/", "a.example/", "b.example/"}) visit(a);
    Strings walked;
    for (logInfo->GetFirstURL(&item); item; logInfo->GetNextURL(&item)) {
        walked.push_back(urlOf(item.Get()));
        item.Reset();
    }
    EXPECT_EQ(walked, (Strings{"a.example/", "b.example/", "c.example/"}));
}

TEST_F(LogSites, TheEnumeratorFetchesSkipsResetsAndClones) {
    for (const char* a : {"a.example/", "b.example/", "c.example/"}) visit(a);
    ComPtr<IUnknown> unknown;
    ASSERT_EQ(info()->get__NewEnum(&unknown), S_OK);
    ComPtr<IEnumVARIANT> items;
    ASSERT_EQ(unknown.As(&items), S_OK);

    VARIANT got[4];
    ULONG fetched = 99;
    EXPECT_EQ(items->Next(2, got, nullptr), E_POINTER);
    ASSERT_EQ(items->Next(2, got, &fetched), S_OK);
    EXPECT_EQ(fetched, 2u);
    EXPECT_EQ(urlOf(got[0]), "a.example/");
    EXPECT_EQ(urlOf(got[1]), "b.example/");
    for (ULONG i = 0; i < fetched; ++i) VariantClear(&got[i]);

    ComPtr<IEnumVARIANT> clone;
    ASSERT_EQ(items->Clone(&clone), S_OK);
    EXPECT_EQ(items->Next(4, got, &fetched), S_FALSE);
    EXPECT_EQ(fetched, 1u);
    EXPECT_EQ(urlOf(got[0]), "c.example/");
    VariantClear(&got[0]);
    EXPECT_EQ(items->Next(1, got, nullptr), S_FALSE);

    ASSERT_EQ(clone->Next(1, got, nullptr), S_OK);  // where the original was
    EXPECT_EQ(urlOf(got[0]), "c.example/");
    VariantClear(&got[0]);

    EXPECT_EQ(items->Reset(), S_OK);
    EXPECT_EQ(items->Skip(2), S_OK);
    EXPECT_EQ(items->Skip(2), S_FALSE);
}

TEST_F(LogSites, TheChangeMarkerSetsThePasswordThatTbOnThenAsksFor) {
    EXPECT_EQ(verify(std::string("\xFE") + "Secret"), 1);
    EXPECT_EQ(verify("secret"), 1);
    EXPECT_EQ(verify("\xFE"), 0);  // a password is set
    EXPECT_EQ(tbOn(""), 1);
    EXPECT_EQ(tbOn("SECRET"), 0);
    EXPECT_EQ(tbOn(""), 0);
    EXPECT_EQ(tbOn("*"), 1);

    // A password longer than the 47 characters that count is the same
    // password wherever it is given.
    const std::string longer(60, 'k');
    EXPECT_EQ(verify("\xFE" + longer), 1);
    EXPECT_EQ(verify(longer.substr(0, 47) + "different tail"), 1);
    EXPECT_EQ(tbOn(longer), 0);
}

// Each of the compound files cut short, emptied, filled with garbage or
// held open by another program: filtering stays on; what cannot be read is
// set aside whole, and what is held is not written over.
TEST_F(LogSites, DamagedOrHeldLogAndSettingsFilesNeverSwitchTheFilterOff) {
    const std::string casino = "http://www.royal-casino.example/poker/tables.htm";
    const auto bytesOf = [](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const auto blocksTheCasino = [&] { return filter(casino).allowed == 0; };
    visit("www.news.example/today.htm");
    filter(casino);
    ASSERT_EQ(log_->Save(), S_OK);

    for (const char* name : {"tbl.log", "tblB.log", "tbd.dat"}) {
        const std::string file = dir_.file(name);
        const std::string whole = bytesOf(file);
        ASSERT_FALSE(whole.empty()) << name;
        for (const std::string& damaged :
             {whole.substr(0, whole.size() / 2), std::string(), std::string(4096, '\x5A')}) {
            log_.Reset();
            manager_.Reset();
            std::ofstream(file, std::ios::binary | std::ios::trunc) << damaged;
            create();
            EXPECT_TRUE(blocksTheCasino()) << name << ", " << damaged.size() << " bytes";
            const std::string aside = file + ".damaged";
            if (GetFileAttributesA(aside.c_str()) != INVALID_FILE_ATTRIBUTES) {
                EXPECT_EQ(bytesOf(aside), damaged) << name << " set aside as it was";
                DeleteFileA(aside.c_str());
            } else {
                // Cut short where the records still read: they were kept.
                EXPECT_FALSE(damaged.empty()) << name << " neither read nor set aside";
                EXPECT_EQ(damaged.size(), whole.size() / 2) << name;
                const Strings kept =
                    std::string(name) == "tblB.log" ? blockedLog() : visitedSites();
                EXPECT_FALSE(kept.empty()) << name;
            }
            ASSERT_EQ(log_->Save(), S_OK) << name;
        }

        // Held by another program while the service starts and saves.
        log_.Reset();
        manager_.Reset();
        const std::string before = bytesOf(file);
        HANDLE held =
            CreateFileA(file.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        create();
        EXPECT_TRUE(blocksTheCasino()) << name << " held";
        log_->Save();
        CloseHandle(held);
        EXPECT_EQ(bytesOf(file), before) << name << " not written over while held";
        EXPECT_EQ(log_->Save(), S_OK) << name << " written once it can be read";
    }
}

TEST_F(LogSites, AboutShowsItsDialogUntilOk) {
    auto shown = testing::onDialogThread([this] { return log_->About(); });
    const HWND about = testing::waitForDialog("About Tamberly");
    ASSERT_NE(about, nullptr);
    EXPECT_EQ(testing::controlText(about, IDC_DIALOG_TEXT2), "Version 2.0.5.0");
    testing::click(about, IDC_CLOSE_OK);
    ASSERT_TRUE(testing::finished(shown));
    EXPECT_EQ(shown.get(), S_OK);
}

// What a script sees of the one object: every interface's members by name.
TEST_F(LogSites, ScriptClientsReachCountAndTheEnumeratorThroughIDispatch) {
    visit("a.example/");
    visit("b.example/");
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(log_.As(&dispatch), S_OK);
    auto idOf = [&](const wchar_t* name) {
        LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
        DISPID id = -1;
        EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK)
            << toAnsi(name, wcslen(name));
        return id;
    };
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    ScopedVariant count;
    ASSERT_EQ(dispatch->Invoke(idOf(L"Count"), IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET,
                               &none, count.get(), nullptr, nullptr),
              S_OK);
    EXPECT_EQ(V_I4(count.get()), 2);
    EXPECT_EQ(idOf(L"FilterURL"), 26);  // ILog's own DISPIDs stay

    VARIANT day;
    VariantInit(&day);
    V_VT(&day) = VT_I4;
    V_I4(&day) = eday_Sunday;
    DISPPARAMS oneArg = {&day, nullptr, 1, 0};
    ScopedVariant hours;
    ASSERT_EQ(dispatch->Invoke(idOf(L"GetTotalHours"), IID_NULL, LOCALE_USER_DEFAULT,
                               DISPATCH_METHOD, &oneArg, hours.get(), nullptr, nullptr),
              S_OK);
    EXPECT_EQ(V_I2(hours.get()), 24);

    ScopedVariant enumerator;
    ASSERT_EQ(dispatch->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT,
                               DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, enumerator.get(),
                               nullptr, nullptr),
              S_OK);
    ComPtr<IEnumVARIANT> items;
    ASSERT_EQ(V_UNKNOWN(enumerator.get())->QueryInterface(IID_PPV_ARGS(&items)), S_OK);
    VARIANT first;
    ASSERT_EQ(items->Next(1, &first, nullptr), S_OK);
    EXPECT_EQ(urlOf(first), "a.example/");
    VariantClear(&first);
}

// No time component is registered here: the clock cannot be read.
TEST_F(LogSites, TimedAccessWithoutTheTimeComponent) {
    LONG left = -1, err = -7;
    EXPECT_EQ(log_->CheckTimedAccess(&left, &err), E_POINTER);
    EXPECT_EQ(log_->StopTimeLogging(), S_OK);  // no browser yet: nothing to read
    EXPECT_EQ(log_->AddRefCount(), S_OK);      // and with filtering off, no interval
    EXPECT_EQ(log_->StartTimeLogging(), E_POINTER);
    ASSERT_EQ(manager_->SetTimedAccess(0), S_OK);
    EXPECT_EQ(log_->CheckTimedAccess(&left, &err), S_OK);
    EXPECT_EQ(left, 86400);
    EXPECT_EQ(err, -7);
    // StartTimeLogging turned filtering on before it failed: the last
    // browser's end must stop an interval, and cannot.
    EXPECT_EQ(log_->DecRefCount(), E_POINTER);
    EXPECT_EQ(log_->DecRefCount(), S_OK);  // one more than registered changes nothing
}

TEST(UrlInfoCreatedAlone, IsAnEmptyAllowedRecord) {
    ComApartment com;
    ComPtr<IUrlInfo> item;
    ASSERT_EQ(UrlInfoObject::createInstance(IID_IUrlInfo, reinterpret_cast<void**>(item.GetAddressOf())),
              S_OK);
    LONG value = -1;
    EXPECT_EQ(item->get_Allowed(&value), S_OK);
    EXPECT_EQ(value, 1);
    EXPECT_EQ(item->get_NumberOfHits(&value), S_OK);
    EXPECT_EQ(value, 0);
    ScopedBstr url;
    EXPECT_EQ(item->get_URL(url.receive()), S_OK);
    EXPECT_EQ(SysStringLen(url.get()), 0u);
}

}  // namespace
}  // namespace tb
