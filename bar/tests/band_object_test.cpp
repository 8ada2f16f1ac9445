// tbbar.dll under Wine: registration with regsvr32 in the test's own
// prefix, the type library, and the band object's interfaces called in
// process as the browser calls them.
#include <windows.h>
#include <exdispid.h>
#include <ole2.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>

#include "bar/tbbar.h"
#include "tools/browser_host/tests/plugin_programs.h"
#include "common/com_object.h"
#include "common/registry_win32.h"

using Microsoft::WRL::ComPtr;
using tb::host::testing::expectBrowserEventMembers;
using tb::host::testing::regsvr32;
using tb::host::testing::windowsPath;

namespace {

constexpr char kClsid[] = "{D691CF40-D7B8-11d2-8BDD-0000C0301BE5}";
const std::string kClsidKey = std::string("CLSID\\") + kClsid;

bool keyExists(const std::string& path) {
    tb::RegKey key;
    return RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.receive()) ==
           ERROR_SUCCESS;
}

std::string keyValue(const std::string& path, const char* name = nullptr) {
    char value[1024] = "";
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_CLASSES_ROOT, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return "<none>";
    return value;
}

// The band category as the category manager wrote it.
bool implementsCommBand() {
    return keyExists(kClsidKey +
                     "\\Implemented Categories\\{00021494-0000-0000-C000-000000000046}");
}

class BarDll : public ::testing::Test {
  public:
    static void SetUpTestSuite() {
        OleInitialize(nullptr);
        module =
            LoadLibraryExW(windowsPath(TB_BAR_DLL).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    static void TearDownTestSuite() { OleUninitialize(); }

  protected:
    // A new band straight from the DLL's class object.
    ComPtr<IUnknown> newBand() {
        using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        auto get = reinterpret_cast<GetClassObject>(
            reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
        ComPtr<IClassFactory> factory;
        ComPtr<IUnknown> band;
        if (get && SUCCEEDED(get(CLSID_CTamberlyBar, IID_PPV_ARGS(&factory))))
            factory->CreateInstance(nullptr, IID_PPV_ARGS(&band));
        return band;
    }
    template <class I>
    ComPtr<I> as(const ComPtr<IUnknown>& band) {
        ComPtr<I> out;
        band.As(&out);
        return out;
    }
    static HMODULE module;
};
HMODULE BarDll::module = nullptr;

// --- registration ---

class Registration : public BarDll {};

TEST_F(Registration, RegistersTheScriptTheTypeLibraryAndTheBandCategoryAndTakesThemAllBack) {
    const std::wstring dll = windowsPath(TB_BAR_DLL);
    ASSERT_EQ(regsvr32(dll), 0u);
    EXPECT_EQ(keyValue("tbbar.TamberlyBar.1"), "TamberlyBar Class");
    EXPECT_EQ(keyValue("tbbar.TamberlyBar.1\\CLSID"), kClsid);
    EXPECT_EQ(keyValue("tbbar.TamberlyBar"), "TamberlyBar Class");
    EXPECT_EQ(keyValue("tbbar.TamberlyBar\\CLSID"), kClsid);
    EXPECT_EQ(keyValue("tbbar.TamberlyBar\\CurVer"), "tbbar.TamberlyBar.1");
    EXPECT_EQ(keyValue(kClsidKey), "&Tamberly Bar") << "the title in the browser's list";
    EXPECT_EQ(keyValue(kClsidKey + "\\ProgID"), "tbbar.TamberlyBar.1");
    EXPECT_EQ(keyValue(kClsidKey + "\\VersionIndependentProgID"), "tbbar.TamberlyBar");
    EXPECT_EQ(keyValue(kClsidKey + "\\TypeLib"), "{3D8F78A0-D7B9-11D2-8BDD-0000C0301BE5}");
    EXPECT_EQ(keyValue(kClsidKey + "\\InprocServer32", "ThreadingModel"), "Apartment");
    const std::string server = keyValue(kClsidKey + "\\InprocServer32");
    char shortForm[MAX_PATH] = "";
    GetShortPathNameA(server.c_str(), shortForm, MAX_PATH);
    EXPECT_EQ(server, shortForm) << "the server path is kept in its short form";
    EXPECT_TRUE(implementsCommBand());
    ComPtr<ITypeLib> lib;
    EXPECT_EQ(LoadRegTypeLib(LIBID_TBBARLib, 1, 0, 0x409, &lib), S_OK);
    lib.Reset();

    // A title changed by hand is put back: the class key is replaced whole.
    RegSetValueA(HKEY_CLASSES_ROOT, kClsidKey.c_str(), REG_SZ, "changed", 7);
    ASSERT_EQ(regsvr32(dll), 0u);
    EXPECT_EQ(keyValue(kClsidKey), "&Tamberly Bar");
    EXPECT_TRUE(implementsCommBand());

    ASSERT_EQ(regsvr32(dll, true), 0u);
    EXPECT_FALSE(keyExists(kClsidKey));
    EXPECT_FALSE(keyExists("tbbar.TamberlyBar"));
    EXPECT_FALSE(keyExists("tbbar.TamberlyBar.1"));
    EXPECT_TRUE(keyExists("CLSID")) << "what the script keeps";
    EXPECT_FALSE(implementsCommBand());
    EXPECT_NE(LoadRegTypeLib(LIBID_TBBARLib, 1, 0, 0x409, &lib), S_OK);
    EXPECT_FALSE(keyExists("Interface\\{2E4EBF40-D7B9-11D2-8BDD-0000C0301BE5}"));

    ASSERT_EQ(regsvr32(dll), 0u) << "registered again for the other suites";
}

TEST_F(Registration, TheBarCannotBeLoadedWithoutItsPageTableBesideIt) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring dir = std::wstring(temp) + L"tbbar_alone";
    CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring alone = dir + L"\\tbbar.dll";
    ASSERT_TRUE(CopyFileW(windowsPath(TB_BAR_DLL).c_str(), alone.c_str(), FALSE));
    // Run from a directory that holds no page table either.
    EXPECT_NE(regsvr32(alone, false, temp), 0u);
    const std::wstring pages = dir + L"\\tbpages.dll";
    ASSERT_TRUE(CopyFileW(windowsPath(TB_PAGES_DLL).c_str(), pages.c_str(), FALSE));
    EXPECT_EQ(regsvr32(alone, false, temp), 0u);
    EXPECT_EQ(regsvr32(alone, true, temp), 0u);
    DeleteFileW(alone.c_str());
    DeleteFileW(pages.c_str());
    RemoveDirectoryW(dir.c_str());
    ASSERT_EQ(regsvr32(windowsPath(TB_BAR_DLL)), 0u);
}

TEST_F(Registration, TheTypeLibraryDescribesTheClassAndTheEventsInTheHelpersOrder) {
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadRegTypeLib(LIBID_TBBARLib, 1, 0, 0x409, &lib), S_OK);
    BSTR text = nullptr;
    ASSERT_EQ(lib->GetDocumentation(-1, nullptr, &text, nullptr, nullptr), S_OK);
    EXPECT_STREQ(text, L"tbbar 1.0 Type Library");
    SysFreeString(text);
    TLIBATTR* libAttr = nullptr;
    ASSERT_EQ(lib->GetLibAttr(&libAttr), S_OK);
    EXPECT_EQ(libAttr->lcid, 1033u);
    EXPECT_EQ(libAttr->wMajorVerNum, 1);
    EXPECT_EQ(libAttr->wMinorVerNum, 0);
    lib->ReleaseTLibAttr(libAttr);

    ComPtr<ITypeInfo> coclass;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(CLSID_CTamberlyBar, &coclass), S_OK);
    BSTR name = nullptr;
    coclass->GetDocumentation(MEMBERID_NIL, &name, &text, nullptr, nullptr);
    EXPECT_STREQ(name, L"CTamberlyBar");
    EXPECT_STREQ(text, L"CTamberlyBar Class");
    SysFreeString(name);
    SysFreeString(text);

    ComPtr<ITypeInfo> dispatchInfo, info;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(IID_IExplorerEvents2, &dispatchInfo), S_OK);
    HREFTYPE ref = 0;
    ASSERT_EQ(dispatchInfo->GetRefTypeOfImplType(-1, &ref), S_OK);
    ASSERT_EQ(dispatchInfo->GetRefTypeInfo(ref, &info), S_OK);
    expectBrowserEventMembers(info.Get());

    wchar_t project[32] = L"";
    LoadStringW(module, 100, project, 32);
    EXPECT_STREQ(project, L"tbbar");
}

// --- the band object ---

class Band : public BarDll {};

TEST_F(Band, EveryInterfaceOfTheBandIsTheOneObject) {
    const ComPtr<IUnknown> band = newBand();
    ASSERT_TRUE(band);
    EXPECT_TRUE(as<IDeskBand>(band));
    EXPECT_TRUE(as<IDockingWindow>(band));
    EXPECT_TRUE(as<IOleWindow>(band));
    EXPECT_TRUE(as<IInputObject>(band));
    EXPECT_TRUE(as<IObjectWithSite>(band));
    EXPECT_TRUE(as<IPersistStream>(band));
    EXPECT_TRUE(as<IPersist>(band));
    EXPECT_TRUE(as<IContextMenu>(band));
    EXPECT_TRUE(as<IExplorerEvents2>(band));
    EXPECT_TRUE(as<IDispatch>(band));
    ComPtr<IUnknown> identity;
    as<IContextMenu>(band).As(&identity);
    EXPECT_EQ(identity.Get(), band.Get());
    EXPECT_EQ(as<IDispatch>(band).Get(), static_cast<IDispatch*>(as<IExplorerEvents2>(band).Get()));
}

TEST_F(Band, BandInfoIsSixtyPixelsHighAnyWidthWithTheSitesColour) {
    const ComPtr<IDeskBand> band = as<IDeskBand>(newBand());
    ASSERT_TRUE(band);
    EXPECT_EQ(band->GetBandInfo(0, DBIF_VIEWMODE_NORMAL, nullptr), E_INVALIDARG);

    DESKBANDINFO info = {};
    info.dwMask = DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_MODEFLAGS |
                  DBIM_BKCOLOR | DBIM_TITLE;
    wcscpy(info.wszTitle, L"untouched");
    ASSERT_EQ(band->GetBandInfo(7, DBIF_VIEWMODE_NORMAL, &info), S_OK);
    EXPECT_EQ(info.ptMinSize.x, 10);
    EXPECT_EQ(info.ptMinSize.y, 60);
    EXPECT_EQ(info.ptMaxSize.x, -1);
    EXPECT_EQ(info.ptMaxSize.y, 60);
    EXPECT_EQ(info.ptIntegral.x, 1);
    EXPECT_EQ(info.ptIntegral.y, 1);
    EXPECT_EQ(info.ptActual.x, 0);
    EXPECT_EQ(info.ptActual.y, 60);
    EXPECT_EQ(info.dwModeFlags, static_cast<DWORD>(DBIMF_VARIABLEHEIGHT));
    EXPECT_EQ(info.dwMask & DBIM_BKCOLOR, 0u) << "the site's own colour is used";
    EXPECT_TRUE(info.dwMask & DBIM_TITLE);
    EXPECT_STREQ(info.wszTitle, L"untouched");

    // Only what the mask asks for is filled in.
    DESKBANDINFO some = {};
    some.dwMask = DBIM_ACTUAL;
    some.ptMinSize = {-5, -5};
    ASSERT_EQ(band->GetBandInfo(0, DBIF_VIEWMODE_NORMAL, &some), S_OK);
    EXPECT_EQ(some.ptActual.y, 60);
    EXPECT_EQ(some.ptMinSize.x, -5);
    EXPECT_EQ(some.dwModeFlags, 0u);
}

std::string menuText(HMENU menu, UINT position) {
    char text[64] = "";
    GetMenuStringA(menu, position, text, sizeof text, MF_BYPOSITION);
    return text;
}

TEST_F(Band, TheContextMenuGetsItsOneCommandUnlessOnlyTheDefaultIsWanted) {
    const ComPtr<IContextMenu> band = as<IContextMenu>(newBand());
    ASSERT_TRUE(band);
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 1, "first");
    AppendMenuA(menu, MF_STRING, 2, "second");
    EXPECT_EQ(band->QueryContextMenu(menu, 1, 100, 200, CMF_DEFAULTONLY), S_OK);
    EXPECT_EQ(GetMenuItemCount(menu), 2);

    EXPECT_EQ(band->QueryContextMenu(menu, 1, 100, 200, CMF_NORMAL), MAKE_HRESULT(0, 0, 1));
    ASSERT_EQ(GetMenuItemCount(menu), 3);
    EXPECT_EQ(menuText(menu, 1), "&TamberlyBar Command");
    EXPECT_EQ(GetMenuItemID(menu, 1), 100u);
    EXPECT_EQ(menuText(menu, 2), "second");
    DestroyMenu(menu);
}

TEST_F(Band, CommandStringsForTheOneCommand) {
    const ComPtr<IContextMenu> band = as<IContextMenu>(newBand());
    ASSERT_TRUE(band);
    char name[64] = "";
    EXPECT_EQ(band->GetCommandString(0, GCS_VERBA, nullptr, name, sizeof name), S_OK);
    EXPECT_STREQ(name, "command");
    EXPECT_EQ(band->GetCommandString(0, GCS_HELPTEXTA, nullptr, name, sizeof name), S_OK);
    EXPECT_STREQ(name, "TamberlyBar command help text");
    EXPECT_EQ(band->GetCommandString(0, GCS_HELPTEXTA, nullptr, name, 8), S_OK);
    EXPECT_STREQ(name, "Tamberl") << "cut to the buffer, terminator included";
    EXPECT_EQ(band->GetCommandString(5, GCS_VALIDATEA, nullptr, nullptr, 0), S_OK);
    EXPECT_EQ(band->GetCommandString(1, GCS_VERBA, nullptr, name, sizeof name), E_INVALIDARG);
    EXPECT_EQ(band->GetCommandString(0, GCS_VERBW, nullptr, name, sizeof name), E_INVALIDARG);
    EXPECT_EQ(band->GetCommandString(0, GCS_VERBA, nullptr, nullptr, 10), E_INVALIDARG);
}

// Runs the action while a watcher answers the message box captioned
// "TamberlyBar" that it raises; the box's text.
std::string answeringTheBox(const std::function<void()>& action) {
    std::string text;
    std::atomic<bool> stop{false};
    std::thread watcher([&] {
        for (int i = 0; i < 6000 && !stop; ++i) {
            HWND box = FindWindowA("#32770", "TamberlyBar");
            if (box && IsWindowVisible(box)) {
                char t[128] = "";
                GetDlgItemTextA(box, 0xFFFF, t, sizeof t);
                text = t;
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(10);
        }
    });
    action();
    stop = true;
    watcher.join();
    return text;
}

TEST_F(Band, InvokingTheCommandShowsItsMessageAndAnythingElseIsRefused) {
    const ComPtr<IContextMenu> band = as<IContextMenu>(newBand());
    ASSERT_TRUE(band);
    CMINVOKECOMMANDINFO info = {};
    info.cbSize = sizeof info;
    info.lpVerb = MAKEINTRESOURCEA(1);
    EXPECT_EQ(band->InvokeCommand(&info), E_INVALIDARG);
    info.lpVerb = "command";
    EXPECT_EQ(band->InvokeCommand(&info), E_INVALIDARG);
    EXPECT_EQ(band->InvokeCommand(nullptr), E_INVALIDARG);

    info.lpVerb = MAKEINTRESOURCEA(0);
    const std::string shown = answeringTheBox([&] { EXPECT_EQ(band->InvokeCommand(&info), S_OK); });
    EXPECT_EQ(shown, "TamberlyBar Command selected.");
}

TEST_F(Band, NothingIsPersistedAndTheBandNeverKeepsTheFocus) {
    const ComPtr<IUnknown> band = newBand();
    const ComPtr<IPersistStream> persist = as<IPersistStream>(band);
    ASSERT_TRUE(persist);
    CLSID clsid = {};
    EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
    EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_CTamberlyBar));
    EXPECT_EQ(persist->GetClassID(nullptr), E_POINTER);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    EXPECT_EQ(persist->Load(nullptr), S_OK);
    EXPECT_EQ(persist->Save(nullptr, TRUE), S_OK);
    ULARGE_INTEGER size = {};
    EXPECT_EQ(persist->GetSizeMax(&size), E_NOTIMPL);

    const ComPtr<IInputObject> input = as<IInputObject>(band);
    EXPECT_EQ(input->HasFocusIO(), S_FALSE);
    EXPECT_EQ(input->TranslateAcceleratorIO(nullptr), S_FALSE);
    EXPECT_EQ(input->UIActivateIO(TRUE, nullptr), S_OK);
    EXPECT_EQ(input->HasFocusIO(), S_FALSE);

    const ComPtr<IDockingWindow> docking = as<IDockingWindow>(band);
    HWND window = reinterpret_cast<HWND>(1);
    EXPECT_EQ(docking->GetWindow(&window), S_OK);
    EXPECT_EQ(window, nullptr) << "no window before a site";
    EXPECT_EQ(docking->ContextSensitiveHelp(TRUE), E_NOTIMPL);
    EXPECT_EQ(docking->ResizeBorderDW(nullptr, nullptr, FALSE), E_NOTIMPL);
    EXPECT_EQ(docking->ShowDW(TRUE), S_OK);
    EXPECT_EQ(docking->CloseDW(0), S_OK);
}

// A band site that has only a window (or not even that).
class WindowOnlySite : public tb::ComObject<WindowOnlySite, IOleWindow> {
  public:
    explicit WindowOnlySite(HWND window) : window_(window) {}
    STDMETHODIMP GetWindow(HWND* window) override {
        *window = window_;
        return window_ ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  private:
    HWND window_;
};

class NoWindowSite : public tb::ComObject<NoWindowSite, IServiceProvider> {
  public:
    STDMETHODIMP QueryService(REFGUID, REFIID, void** ppv) override {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
};

TEST_F(Band, ASiteWithoutAWindowIsRefusedAndNoSiteIsAnswered) {
    const ComPtr<IObjectWithSite> band = as<IObjectWithSite>(newBand());
    ASSERT_TRUE(band);
    EXPECT_EQ(band->SetSite(nullptr), S_OK);
    ComPtr<IUnknown> site;
    site.Attach(static_cast<IServiceProvider*>(NoWindowSite::create()));
    EXPECT_EQ(band->SetSite(site.Get()), E_FAIL);
    site.Reset();
    site.Attach(static_cast<IOleWindow*>(WindowOnlySite::create(nullptr)));
    EXPECT_EQ(band->SetSite(site.Get()), E_FAIL);

    void* got = &got;
    EXPECT_EQ(band->GetSite(IID_IUnknown, &got), E_FAIL);
    EXPECT_EQ(got, nullptr);
    EXPECT_EQ(band->GetSite(IID_IUnknown, nullptr), E_POINTER);
}

TEST_F(Band, EventsWithoutAWindowBrowserDoNothingAndTheOthersAreNotImplemented) {
    const ComPtr<IExplorerEvents2> events = as<IExplorerEvents2>(newBand());
    ASSERT_TRUE(events);
    VARIANT url;
    VariantInit(&url);
    V_VT(&url) = VT_BSTR;
    V_BSTR(&url) = SysAllocString(L"http://kids.example/");
    VARIANT_BOOL cancel = VARIANT_FALSE;
    EXPECT_EQ(events->BeforeNavigate2(nullptr, &url, nullptr, nullptr, nullptr, nullptr, &cancel),
              S_OK);
    EXPECT_EQ(cancel, VARIANT_FALSE);
    EXPECT_EQ(events->DocumentComplete(nullptr, &url), E_NOTIMPL);
    EXPECT_EQ(events->NavigateComplete2(nullptr, &url), S_OK);
    EXPECT_EQ(events->NavigateComplete2(nullptr, nullptr), E_INVALIDARG)
        << "an unreadable address ends the event with the failure";
    EXPECT_EQ(events->OnQuit(), E_NOTIMPL);
    EXPECT_EQ(events->ProgressChange(1, 2), E_NOTIMPL);
    EXPECT_EQ(events->TitleChange(nullptr), E_NOTIMPL);

    // Through IDispatch, by the browser's DISPIDs.
    DISPPARAMS none = {nullptr, nullptr, 0, 0};
    EXCEPINFO excep = {};
    const HRESULT hr = events->Invoke(DISPID_ONQUIT, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr,
                                      &excep, nullptr);
    EXPECT_TRUE(hr == E_NOTIMPL || (hr == DISP_E_EXCEPTION && excep.scode == E_NOTIMPL)) << hr;
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    VariantClear(&url);
}

TEST_F(Band, TheDllStaysLoadedWhileABandLives) {
    using CanUnload = HRESULT(STDAPICALLTYPE*)();
    auto canUnload = reinterpret_cast<CanUnload>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    ASSERT_NE(canUnload, nullptr);
    ComPtr<IUnknown> band = newBand();
    EXPECT_EQ(canUnload(), S_FALSE);
    band.Reset();
    EXPECT_EQ(canUnload(), S_OK);
}

}  // namespace
