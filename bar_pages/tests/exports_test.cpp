// tbpages.dll as its callers use it under Wine: the four exports, linked by
// name.
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <string>

#include "bar_pages/tbpages.h"
#include "common/vendor_endpoints.h"

namespace {

using TextExport = char*(__cdecl*)();

TextExport lookUp(const char* name) {
    return reinterpret_cast<TextExport>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"tbpages.dll"), name)));
}

std::wstring wide(const char* text) {
    return std::wstring(text, text + std::strlen(text));
}

// Records the blocks that the task allocator frees.
class FreeSpy : public IMallocSpy {
  public:
    void* lastFreed = nullptr;
    int frees = 0;

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IMallocSpy)) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP_(SIZE_T) PreAlloc(SIZE_T size) override { return size; }
    STDMETHODIMP_(void*) PostAlloc(void* p) override { return p; }
    STDMETHODIMP_(void*) PreFree(void* p, BOOL) override {
        lastFreed = p;
        ++frees;
        return p;
    }
    STDMETHODIMP_(void) PostFree(BOOL) override {}
    STDMETHODIMP_(SIZE_T) PreRealloc(void* p, SIZE_T size, void** out, BOOL) override {
        *out = p;
        return size;
    }
    STDMETHODIMP_(void*) PostRealloc(void* p, BOOL) override { return p; }
    STDMETHODIMP_(void*) PreGetSize(void* p, BOOL) override { return p; }
    STDMETHODIMP_(SIZE_T) PostGetSize(SIZE_T size, BOOL) override { return size; }
    STDMETHODIMP_(void*) PreDidAlloc(void* p, BOOL) override { return p; }
    STDMETHODIMP_(int) PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    STDMETHODIMP_(void) PreHeapMinimize() override {}
    STDMETHODIMP_(void) PostHeapMinimize() override {}
};

// Counts its releases: a variant holding it was cleared.
class Counted : public IUnknown {
  public:
    long refs = 1;
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        *ppv = IsEqualIID(riid, IID_IUnknown) ? this : nullptr;
        if (!*ppv) return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs); }
    STDMETHODIMP_(ULONG) Release() override { return static_cast<ULONG>(--refs); }
};

TEST(PageExports, EveryTextExportHandsOutTheSameBufferOfTheOneTable) {
    char* nav = NavPage();
    EXPECT_EQ(NavPage(), nav);
    EXPECT_EQ(MicroAdPage(), nav + 300);
    EXPECT_EQ(MainBarPage(), nav + 900);
    EXPECT_EQ(lookUp("MainBarPage")(), MainBarPage()) << "the same buffer by name";
    EXPECT_STREQ(MainBarPage(), tb::vendor::kMainBarPage);
    EXPECT_STREQ(MicroAdPage(), tb::vendor::kMicroAdPage);
    EXPECT_STREQ(NavPage(), tb::vendor::kNavPage);
}

TEST(PageExports, TextChangedInPlaceIsWhatEveryLaterCallerSees) {
    char* ad = MicroAdPage();
    for (char* c = ad; *c; ++c)
        *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    EXPECT_EQ(std::string(lookUp("MicroAdPage")()).find("HTTP://"), 0u);
    for (char* c = ad; *c; ++c)
        *c = static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    EXPECT_STREQ(MicroAdPage(), tb::vendor::kMicroAdPage);
}

TEST(PageExports, ReferrerPageClearsTheVariantThenHandsOutANewWideCopy) {
    _variant_t out;
    Counted held;
    V_VT(&out) = VT_UNKNOWN;
    V_UNKNOWN(&out) = &held;
    EXPECT_EQ(ReferrerPage(out), 0);
    EXPECT_EQ(held.refs, 0) << "what the variant held was released";
    ASSERT_EQ(V_VT(&out), VT_BSTR);
    EXPECT_EQ(std::wstring(V_BSTR(&out)), wide(tb::vendor::kReferrerPage));

    const BSTR first = V_BSTR(&out);
    _variant_t again;
    EXPECT_EQ(ReferrerPage(again), 0);
    EXPECT_NE(V_BSTR(&again), first) << "each caller owns a copy of its own";
}

TEST(PageExports, ReferrerPageFreesAStringAlreadyInTheVariant) {
    // Without the string cache every freed string reaches the task allocator.
    using NoCache = void(WINAPI*)();
    auto noCache = reinterpret_cast<NoCache>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"oleaut32.dll"), "SetOaNoCache")));
    ASSERT_NE(noCache, nullptr);
    noCache();
    FreeSpy spy;
    ASSERT_EQ(CoRegisterMallocSpy(&spy), S_OK);
    _variant_t out;
    V_VT(&out) = VT_BSTR;
    V_BSTR(&out) = SysAllocString(L"an older string");
    const auto* old = reinterpret_cast<const char*>(V_BSTR(&out));
    spy.frees = 0;
    EXPECT_EQ(ReferrerPage(out), 0);
    const auto* freed = static_cast<const char*>(spy.lastFreed);
    EXPECT_GE(spy.frees, 1);
    EXPECT_TRUE(freed && freed < old && old - freed <= 16) << "the old string's block was freed";
    EXPECT_EQ(std::wstring(V_BSTR(&out)), wide(tb::vendor::kReferrerPage));
    out.Clear();
    CoRevokeMallocSpy();
}

TEST(PageExports, AVariantThatCannotBeClearedIsAnErrorAndGetsNoAddress) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_I4, 0, 2);
    ASSERT_NE(array, nullptr);
    ASSERT_EQ(SafeArrayLock(array), S_OK);
    _variant_t out;
    V_VT(&out) = VT_ARRAY | VT_I4;
    V_ARRAY(&out) = array;
    EXPECT_EQ(ReferrerPage(out), DISP_E_ARRAYISLOCKED);
    EXPECT_NE(V_VT(&out), VT_BSTR);
    V_VT(&out) = VT_EMPTY;  // the array is still ours
    SafeArrayUnlock(array);
    SafeArrayDestroy(array);
}

}  // namespace
