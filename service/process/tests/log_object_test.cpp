#include "service/process/log_object.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "common/class_factory.h"
#include "common/com_convert.h"
#include "common/com_holders.h"
#include "common/type_library.h"

using Microsoft::WRL::ComPtr;

namespace tb {
namespace {

class LogObjectTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(SUCCEEDED(com_.result()));
        ASSERT_EQ(
            LogObject::createInstance(IID_ILog, reinterpret_cast<void**>(log_.GetAddressOf())),
            S_OK);
    }
    ComApartment com_;
    ComPtr<ILog> log_;
};

struct Member {
    const wchar_t* name;
    DISPID id;
};

// The vtable part of a dual interface's type information, with its own
// members only (the seven of IUnknown and IDispatch come first in the slots).
ComPtr<ITypeInfo> interfaceInfo(ITypeLib* lib, REFIID iid) {
    ComPtr<ITypeInfo> dispatchInfo, vtableInfo;
    EXPECT_EQ(lib->GetTypeInfoOfGuid(iid, &dispatchInfo), S_OK);
    HREFTYPE ref = 0;
    EXPECT_EQ(dispatchInfo->GetRefTypeOfImplType(-1, &ref), S_OK) << "not dual";
    EXPECT_EQ(dispatchInfo->GetRefTypeInfo(ref, &vtableInfo), S_OK);
    return vtableInfo;
}

void expectMembers(ITypeLib* lib, REFIID iid, const std::vector<Member>& expected) {
    ComPtr<ITypeInfo> info = interfaceInfo(lib, iid);
    ASSERT_TRUE(info);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_EQ(attr->typekind, TKIND_INTERFACE);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FDUAL);
    EXPECT_TRUE(attr->wTypeFlags & TYPEFLAG_FOLEAUTOMATION);
    ASSERT_EQ(attr->cFuncs, expected.size());
    info->ReleaseTypeAttr(attr);
    for (UINT i = 0; i < expected.size(); ++i) {
        FUNCDESC* f = nullptr;
        ASSERT_EQ(info->GetFuncDesc(i, &f), S_OK);
        ScopedBstr name;
        info->GetDocumentation(f->memid, name.receive(), nullptr, nullptr, nullptr);
        EXPECT_EQ(std::wstring(name.get()), expected[i].name) << "slot " << i;
        EXPECT_EQ(f->memid, expected[i].id) << expected[i].name;
        EXPECT_EQ(f->oVft, static_cast<SHORT>((7 + i) * sizeof(void*))) << expected[i].name;
        info->ReleaseFuncDesc(f);
    }
}

struct FilterCall {
    HRESULT status = E_FAIL;
    VARIANT_BOOL allowed = -7, userAllowed = -7;
    std::wstring url;
};

FilterCall filterBySlot(ILog* log, const wchar_t* address) {
    FilterCall call;
    BSTR url = SysAllocString(address);
    call.status = log->FilterURL(&url, &call.userAllowed, &call.allowed);
    call.url = url ? url : L"";
    SysFreeString(url);
    return call;
}

// Through IDispatch::Invoke; a failed member comes back as DISP_E_EXCEPTION
// with its status in the exception information.
FilterCall filterByInvoke(IDispatch* dispatch, const wchar_t* address) {
    FilterCall call;
    BSTR url = SysAllocString(address);
    VARIANT args[2];
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    V_VT(&args[1]) = VT_BSTR | VT_BYREF;  // arguments go last to first
    V_BSTRREF(&args[1]) = &url;
    V_VT(&args[0]) = VT_BOOL | VT_BYREF;
    V_BOOLREF(&args[0]) = &call.userAllowed;
    DISPPARAMS params = {args, nullptr, 2, 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO excep = {};
    call.status = dispatch->Invoke(26, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params,
                                   &result, &excep, nullptr);
    if (call.status == DISP_E_EXCEPTION) call.status = excep.scode;
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    if (V_VT(&result) == VT_BOOL) call.allowed = V_BOOL(&result);
    VariantClear(&result);
    call.url = url ? url : L"";
    SysFreeString(url);
    return call;
}

TEST(TypeLibrary, DescribesTheFourInterfacesMemberByMember) {
    ComApartment com;
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLibEx(modulePath(thisModule()).c_str(), REGKIND_NONE, &lib), S_OK);
    TLIBATTR* libAttr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&libAttr), S_OK);
    EXPECT_TRUE(IsEqualGUID(libAttr->guid, LIBID_tbservLib));
    lib->ReleaseTLibAttr(libAttr);

    expectMembers(lib.Get(), IID_ILog,
                  {{L"IsURLAllowed", 1},
                   {L"LogURL", 2},
                   {L"Save", 3},
                   {L"Load", 4},
                   {L"UploadFromFile", 5},
                   {L"AddURL", 6},
                   {L"needUpdate", 7},
                   {L"DownloadDNAList", 8},
                   {L"passesFilterList", 9},
                   {L"internalURLMatch", 10},
                   {L"AddWordToBlock", 11},
                   {L"getFirstUserWord", 12},
                   {L"getNextUserWord", 13},
                   {L"removeUserWord", 14},
                   {L"VerifyPassword", 15},
                   {L"TBOn", 16},
                   {L"About", 17},
                   {L"RemoveURL", 18},
                   {L"GetLocalErrorPage", 19},
                   {L"UninstallTB", 20},
                   {L"AddRefCount", 21},
                   {L"DecRefCount", 22},
                   {L"CheckTimedAccess", 23},
                   {L"StartTimeLogging", 24},
                   {L"StopTimeLogging", 25},
                   {L"FilterURL", 26}});
    expectMembers(
        lib.Get(), IID_IManagerData,
        {{L"GetAccessHours", 1},     {L"SetAccessHours", 2},     {L"GetTotalHours", 3},
         {L"SetTotalHours", 4},      {L"GetCategoryState", 5},   {L"SetCategoryState", 6},
         {L"GetVisitedSites", 7},    {L"SetVisitedSites", 8},    {L"GetPersBlockSites", 9},
         {L"SetPersBlockSites", 10}, {L"GetWords", 11},          {L"SetWords", 12},
         {L"GetTimezoneString", 13}, {L"SetTimezoneString", 14}, {L"GetBlockedLog", 15},
         {L"SetBlockedLog", 16},     {L"GetAllowedSites", 17},   {L"SetAllowedSites", 18},
         {L"GetTimedAccess", 19},    {L"SetTimedAccess", 20}});
    expectMembers(lib.Get(), IID_ILogInfo,
                  {{L"Item", DISPID_VALUE},
                   {L"Count", 1},
                   {L"GetFirstURL", 2},
                   {L"GetNextURL", 3},
                   {L"_NewEnum", DISPID_NEWENUM}});
    expectMembers(lib.Get(), IID_IUrlInfo,
                  {{L"Allowed", 1},
                   {L"Allowed", 1},
                   {L"NumberOfHits", 2},
                   {L"HitFrequency", 3},
                   {L"URL", 4},
                   {L"get_NextURL", 5},
                   {L"get_PreviousURL", 6}});
}

TEST(TypeLibrary, NamesTheTwoClassesWithTheirDefaultInterfaces) {
    ComApartment com;
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadTypeLibEx(modulePath(thisModule()).c_str(), REGKIND_NONE, &lib), S_OK);
    for (auto [clsid, iid] :
         {std::pair{CLSID_Log, IID_ILog}, std::pair{CLSID_CUrlInfo, IID_IUrlInfo}}) {
        ComPtr<ITypeInfo> coclass;
        ASSERT_EQ(lib->GetTypeInfoOfGuid(clsid, &coclass), S_OK);
        HREFTYPE ref = 0;
        ASSERT_EQ(coclass->GetRefTypeOfImplType(0, &ref), S_OK);
        INT flags = 0;
        coclass->GetImplTypeFlags(0, &flags);
        EXPECT_TRUE(flags & IMPLTYPEFLAG_FDEFAULT);
        ComPtr<ITypeInfo> def;
        ASSERT_EQ(coclass->GetRefTypeInfo(ref, &def), S_OK);
        TYPEATTR* attr = nullptr;
        def->GetTypeAttr(&attr);
        EXPECT_TRUE(IsEqualGUID(attr->guid, iid));
        def->ReleaseTypeAttr(attr);
    }
}

TEST_F(LogObjectTest, AnswersItsInterfacesWithOneIdentity) {
    ComPtr<IUnknown> viaLog, viaManager;
    ASSERT_EQ(log_.As(&viaLog), S_OK);
    ComPtr<IManagerData> manager;
    ComPtr<ILogInfo> info;
    ComPtr<ISupportErrorInfo> errorInfo;
    ComPtr<IDispatch> dispatch;
    EXPECT_EQ(log_.As(&manager), S_OK);
    EXPECT_EQ(log_.As(&info), S_OK);
    EXPECT_EQ(log_.As(&errorInfo), S_OK);
    EXPECT_EQ(log_.As(&dispatch), S_OK);
    ASSERT_EQ(manager.As(&viaManager), S_OK);
    EXPECT_EQ(viaLog.Get(), viaManager.Get());
    ComPtr<IUnknown> viaDispatch;
    ASSERT_EQ(dispatch.As(&viaDispatch), S_OK);
    EXPECT_EQ(viaDispatch.Get(), viaLog.Get());
    ComPtr<IUrlInfo> notImplemented;
    EXPECT_EQ(log_.As(&notImplemented), E_NOINTERFACE);
    EXPECT_EQ(log_->QueryInterface(IID_ILog, nullptr), E_POINTER);
}

TEST_F(LogObjectTest, SupportsErrorInfoForILogOnly) {
    ComPtr<ISupportErrorInfo> errorInfo;
    ASSERT_EQ(log_.As(&errorInfo), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_ILog), S_OK);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_IManagerData), S_FALSE);
    EXPECT_EQ(errorInfo->InterfaceSupportsErrorInfo(IID_ILogInfo), S_FALSE);
}

TEST_F(LogObjectTest, RefusesAggregation) {
    ComPtr<IClassFactory> factory;
    ASSERT_EQ(ClassFactory<LogObject>::createInstance(IID_IClassFactory, &factory), S_OK);
    ComPtr<IUnknown> inner;
    EXPECT_EQ(factory->CreateInstance(log_.Get(), IID_IUnknown, &inner), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(inner.Get(), nullptr);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_ILog, &inner), S_OK);
}

// Each member is reachable by name, by DISPID and by slot alike.
TEST_F(LogObjectTest, InvokeReachesTheSameMembersAsTheSlots) {
    ComPtr<IDispatch> dispatch;
    ASSERT_EQ(log_.As(&dispatch), S_OK);

    LPOLESTR names[] = {const_cast<LPOLESTR>(L"FilterURL")};
    DISPID id = 0;
    ASSERT_EQ(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
    EXPECT_EQ(id, 26);

    // GetLocalErrorPage (DISPID 19): the same page both ways.
    ScopedBstr bySlot;
    ASSERT_EQ(log_->GetLocalErrorPage(bySlot.receive()), S_OK);
    ScopedBstr byInvoke;
    VARIANT arg;
    VariantInit(&arg);
    V_VT(&arg) = VT_BSTR | VT_BYREF;
    V_BSTRREF(&arg) = byInvoke.receive();
    DISPPARAMS params = {&arg, nullptr, 1, 0};
    ASSERT_EQ(dispatch->Invoke(19, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr,
                               nullptr, nullptr),
              S_OK);
    EXPECT_EQ(toAnsi(byInvoke.get()), toAnsi(bySlot.get()));

    // FilterURL (DISPID 26): the same status, verdicts and address both ways.
    const FilterCall slot = filterBySlot(log_.Get(), L"http://a.example/");
    const FilterCall invoked = filterByInvoke(dispatch.Get(), L"http://a.example/");
    EXPECT_EQ(invoked.status, slot.status);
    if (FAILED(slot.status)) return;
    EXPECT_EQ(invoked.allowed, slot.allowed);
    EXPECT_EQ(invoked.userAllowed, slot.userAllowed);
    EXPECT_EQ(invoked.url, slot.url);
}

TEST_F(LogObjectTest, LocalErrorPageIsRestricted0InTheServiceDirectory) {
    ScopedBstr page;
    ASSERT_EQ(log_->GetLocalErrorPage(page.receive()), S_OK);
    const std::wstring dir = moduleDirectory(thisModule());
    EXPECT_EQ(std::wstring(page.get()), dir + L"restricted0.htm");
    EXPECT_EQ(log_->GetLocalErrorPage(nullptr), E_POINTER);
}

TEST_F(LogObjectTest, RemoveUrlDoesNothing) {
    EXPECT_EQ(log_->RemoveURL(nullptr), S_OK);
    ScopedBstr url(L"http://a.example/");
    EXPECT_EQ(log_->RemoveURL(url.get()), S_OK);
}

}  // namespace
}  // namespace tb
