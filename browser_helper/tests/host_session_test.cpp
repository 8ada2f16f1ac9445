// The browser helper in the browser host, end to end under Wine: tbhelp.dll
// registered with regsvr32, loaded by the host from the Browser Helper
// Objects key, talking to a scripted fake of the service (a local server
// registered as the Log class in this test's prefix) that records every
// call. Each case runs one host session and reads both records.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>
#include <wrl/client.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "browser_helper/tbhelp.h"
#include "common/com_convert.h"
#include "common/registry_win32.h"
#include "common/tbserv.h"
#include "tools/browser_host/host_output.h"
#include "tools/browser_host/tests/plugin_programs.h"

using Microsoft::WRL::ComPtr;
using tb::host::Command;
using tb::host::testing::expectBrowserEventMembers;
using tb::host::testing::readLines;
using tb::host::testing::regsvr32;
using tb::host::testing::runProgram;
using tb::host::testing::windowsPath;
using ::testing::Contains;
using ::testing::Each;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;
using ::testing::Not;

namespace {

constexpr char kHelperClsid[] = "{AEF74060-ECDE-11d2-8BDD-0000C0301BE5}";
constexpr char kErrorPage[] = "http://www.orvan.com/tamberly/tamberlyupdateerror.asp";
constexpr char kUpdatePage[] = "http://www.orvan.com/tamberly/tamberlyupdate.asp";
constexpr char kBlockPage[] = "file:///C:/Tamberly/restricted1.htm";
constexpr char kWordPage[] = "file:///C:/Tamberly/restricted3.htm";

DWORD run(const std::wstring& commandLine) {
    DWORD code = 0;
    EXPECT_TRUE(runProgram(commandLine, &code, nullptr, 60000))
        << tb::toAnsi(commandLine.c_str(), commandLine.size());
    return code;
}

bool keyExists(HKEY root, const std::string& path) {
    tb::RegKey key;
    return RegOpenKeyExA(root, path.c_str(), 0, KEY_READ, key.receive()) == ERROR_SUCCESS;
}

std::string keyDefault(HKEY root, const std::string& path, const char* name = nullptr) {
    char value[1024] = "";
    DWORD size = sizeof value;
    if (RegGetValueA(root, path.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) !=
        ERROR_SUCCESS)
        return "<none>";
    return value;
}

void registerHelper(bool on) {
    EXPECT_EQ(regsvr32(windowsPath(TB_HELPER_DLL), !on), 0u);
}

void registerService(bool on) {
    EXPECT_EQ(run(L"\"" + windowsPath(TB_FAKE_SERVICE_EXE) +
                  (on ? L"\" /regserver" : L"\" /unregserver")),
              0u);
}

struct Call {
    std::string pid;
    std::string method;
    std::vector<std::string> args;
    std::string text() const {
        std::string s = method;
        for (const std::string& a : args) s += " " + a;
        return s;
    }
};

struct Session : tb::host::HostOutput {
    std::vector<Call> calls;  // the service's calls, without the server starts
    std::vector<std::string> pids;
    DWORD exitCode = 0;

    std::vector<std::string> boxes() const {
        EXPECT_THAT(boxCaptions(), Each(std::string("Tamberly Timed Access")));
        return HostOutput::boxes();
    }
    std::vector<std::string> callTexts(bool withArgs = true) const {
        std::vector<std::string> found;
        for (const Call& c : calls) found.push_back(withArgs ? c.text() : c.method);
        return found;
    }
    int count(const std::string& method) const {
        int n = 0;
        for (const Call& c : calls) n += c.method == method ? 1 : 0;
        return n;
    }
};

class HostSession : public ::testing::Test {
  public:
    static void SetUpTestSuite() {
        OleInitialize(nullptr);
        quit_ = CreateEventW(nullptr, TRUE, FALSE, L"TamberlyFakeLogQuit");
        registerService(true);
        registerHelper(true);
    }
    static void TearDownTestSuite() {
        CloseHandle(quit_);
        OleUninitialize();
    }

  protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::wstring(temp) + L"tbhelp_" + tb::toWide(info->name());
        CreateDirectoryW(dir_.c_str(), nullptr);
    }
    void TearDown() override {
        for (const wchar_t* f : {L"\\service.txt", L"\\calls.txt", L"\\host.txt", L"\\out.txt"}) {
            DeleteFileW((dir_ + f).c_str());
        }
        RemoveDirectoryW(dir_.c_str());
    }

    Session session(const std::string& serviceScript, const std::string& hostScript,
                    const std::wstring& hostArgs = L"") {
        const std::wstring script = dir_ + L"\\service.txt", callLog = dir_ + L"\\calls.txt",
                           hostFile = dir_ + L"\\host.txt", outFile = dir_ + L"\\out.txt";
        std::ofstream(script.c_str(), std::ios::binary) << serviceScript;
        std::ofstream(hostFile.c_str(), std::ios::binary) << hostScript;
        DeleteFileW(callLog.c_str());
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\TamberlyTest\\FakeLog", L"Script", REG_SZ,
                        script.c_str(), static_cast<DWORD>((script.size() + 1) * 2));
        RegSetKeyValueW(HKEY_CURRENT_USER, L"Software\\TamberlyTest\\FakeLog", L"CallLog", REG_SZ,
                        callLog.c_str(), static_cast<DWORD>((callLog.size() + 1) * 2));
        ResetEvent(quit_);

        SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
        HANDLE out = CreateFileW(outFile.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit,
                                 CREATE_ALWAYS, 0, nullptr);
        Session s;
        const bool finished =
            runProgram(L"\"" + windowsPath(TB_HOST_EXE) + L"\" --timeout=30 --script=\"" +
                           hostFile + L"\" " + hostArgs,
                       &s.exitCode, out, 90000);
        CloseHandle(out);
        EXPECT_TRUE(finished) << "the host hung";
        s.out = readLines(outFile);

        // Every server of the session ends before the next session starts.
        SetEvent(quit_);
        for (const Command& line : readLines(callLog)) {
            if (line.words.empty()) continue;
            Call call{line.name, line.words[0], {line.words.begin() + 1, line.words.end()}};
            if (call.method == "start") {
                s.pids.push_back(call.pid);
                if (HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, std::stoul(call.pid))) {
                    WaitForSingleObject(p, 20000);
                    CloseHandle(p);
                }
            } else {
                s.calls.push_back(call);
            }
        }
        ResetEvent(quit_);
        return s;
    }

    static HANDLE quit_;
    std::wstring dir_;
};

HANDLE HostSession::quit_ = nullptr;

std::string pages() {
    return "page http://kids.example/ title=\"Kids' corner\" meta.keywords=\"games, puzzles\"\n"
           "page http://school.example/ title=\"School\"\n"
           "page http://casino.example/ title=\"Lucky poker\" meta.description=\"Play poker\"\n"
           "page C:\\Tamberly\\restricted1.htm title=\"Blocked\"\n"
           "page C:\\Tamberly\\restricted3.htm title=\"Blocked word\"\n"
           "page " +
           std::string(kErrorPage) +
           " title=\"Update error\"\n"
           "page " +
           std::string(kUpdatePage) + " title=\"Update\"\n";
}

// --- registration ---

class Registration : public HostSession {};

TEST_F(Registration, RegistersAsScriptedAndUnregistersButTheTypeLibrary) {
    const std::string clsid = std::string("CLSID\\") + kHelperClsid;
    const std::string bho =
        "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\";
    // The older launcher's keys go at registration.
    RegSetKeyValueA(HKEY_CLASSES_ROOT, "LaunchTBBAR.LaunchTBBAR\\CLSID", nullptr, REG_SZ, "x", 2);
    RegSetKeyValueA(HKEY_CLASSES_ROOT,
                    "CLSID\\{F468B620-E5DA-11d2-8BDD-0000C0301BE5}\\InprocServer32", nullptr,
                    REG_SZ, "x", 2);
    RegSetKeyValueA(HKEY_LOCAL_MACHINE, (bho + "{F468B620-E5DA-11d2-8BDD-0000C0301BE5}").c_str(),
                    nullptr, REG_SZ, "", 1);
    registerHelper(true);

    EXPECT_EQ(keyDefault(HKEY_CLASSES_ROOT, "Tamberly.Tamberly.1"), "Tamberly Class");
    EXPECT_EQ(keyDefault(HKEY_CLASSES_ROOT, "Tamberly.Tamberly.1\\CLSID"), kHelperClsid);
    EXPECT_EQ(keyDefault(HKEY_CLASSES_ROOT, "Tamberly.Tamberly\\CurVer"), "Tamberly.Tamberly.1");
    EXPECT_EQ(keyDefault(HKEY_CLASSES_ROOT, clsid), "Tamberly Class");
    EXPECT_EQ(keyDefault(HKEY_CLASSES_ROOT, clsid + "\\ProgID"), "Tamberly.Tamberly.1");
    EXPECT_EQ(keyDefault(HKEY_CLASSES_ROOT, clsid + "\\VersionIndependentProgID"),
              "Tamberly.Tamberly");
    EXPECT_EQ(keyDefault(HKEY_CLASSES_ROOT, clsid + "\\DefaultIcon"), "tbhelp.dll,1");
    EXPECT_TRUE(keyExists(HKEY_CLASSES_ROOT, clsid + "\\Programmable"));
    EXPECT_EQ(keyDefault(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32", "ThreadingModel"),
              "Apartment");
    const std::string server = keyDefault(HKEY_CLASSES_ROOT, clsid + "\\InprocServer32");
    char shortForm[MAX_PATH] = "";
    GetShortPathNameA(server.c_str(), shortForm, MAX_PATH);
    EXPECT_EQ(server, shortForm) << "the server path is kept in its short form";
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, bho + kHelperClsid));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, bho + "{F468B620-E5DA-11d2-8BDD-0000C0301BE5}"));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, "LaunchTBBAR.LaunchTBBAR"));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, "CLSID\\{F468B620-E5DA-11d2-8BDD-0000C0301BE5}"));
    ComPtr<ITypeLib> lib;
    EXPECT_EQ(LoadRegTypeLib(LIBID_tbhelpLib, 1, 0, 0x409, &lib), S_OK);

    registerHelper(false);
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, clsid));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, "Tamberly.Tamberly"));
    EXPECT_FALSE(keyExists(HKEY_CLASSES_ROOT, "Tamberly.Tamberly.1"));
    EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, bho + kHelperClsid));
    EXPECT_TRUE(keyExists(HKEY_LOCAL_MACHINE, bho.substr(0, bho.size() - 1)));
    lib.Reset();
    EXPECT_EQ(LoadRegTypeLib(LIBID_tbhelpLib, 1, 0, 0x409, &lib), S_OK);

    // An unregistered helper is not loaded into new windows.
    const Session s = session("", "window main\n");
    EXPECT_EQ(s.lines("window", "main").at(0).option("helpers"), "0");
    registerHelper(true);
}

TEST_F(Registration, TypeLibraryStringsAndIconAreThoseOfTheComponent) {
    ComPtr<ITypeLib> lib;
    ASSERT_EQ(LoadRegTypeLib(LIBID_tbhelpLib, 1, 0, 0x409, &lib), S_OK);
    ComPtr<ITypeInfo> dispatchInfo, info;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(IID_ITBHELPExplorerEvents2, &dispatchInfo), S_OK);
    HREFTYPE ref = 0;
    ASSERT_EQ(dispatchInfo->GetRefTypeOfImplType(-1, &ref), S_OK);
    ASSERT_EQ(dispatchInfo->GetRefTypeInfo(ref, &info), S_OK);
    expectBrowserEventMembers(info.Get());

    HMODULE dll =
        LoadLibraryExW(windowsPath(TB_HELPER_DLL).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(dll, nullptr);
    wchar_t text[600];
    auto string = [&](UINT id) {
        LoadStringW(dll, id, text, 600);
        return std::wstring(text);
    };
    EXPECT_EQ(string(100), L"tbhelp");
    EXPECT_EQ(string(101),
              L"You have reached your maximum number of browsing hours for today.\nTamberly will "
              L"now close your "
              L"browser and Internet access will be blocked.");
    EXPECT_EQ(string(102),
              L"This is not an authorized time of day for browsing.\nTamberly will now close your "
              L"browser and "
              L"Internet access will be blocked.");
    EXPECT_EQ(string(103), L"You have %d minutes remaining on your browsing time.");
    EXPECT_EQ(string(104), L"You have %d seconds remaining on your browsing time.");
    EXPECT_NE(FindResourceW(dll, MAKEINTRESOURCEW(201), MAKEINTRESOURCEW(14)), nullptr);
    EXPECT_NE(FindResourceW(dll, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(3)), nullptr);
    EXPECT_NE(FindResourceW(dll, MAKEINTRESOURCEW(1), L"TYPELIB"), nullptr);
    FreeLibrary(dll);
}

TEST_F(Registration, TheObjectRefusesAggregationAndKeepsNoSite) {
    registerService(false);  // the object connects at creation; no service here
    ComPtr<IUnknown> service;
    ASSERT_EQ(CoCreateInstance(CLSID_Log, nullptr, CLSCTX_ALL, IID_IUnknown, &service),
              REGDB_E_CLASSNOTREG);
    ComPtr<ITypeLib> notABrowser;
    ASSERT_EQ(LoadRegTypeLib(LIBID_tbhelpLib, 1, 0, 0x409, &notABrowser), S_OK);
    ComPtr<IUnknown> aggregate;
    EXPECT_EQ(CoCreateInstance(CLSID_Tamberly, notABrowser.Get(), CLSCTX_INPROC_SERVER,
                               IID_IUnknown, &aggregate),
              CLASS_E_NOAGGREGATION);
    ComPtr<IObjectWithSite> helper;
    ASSERT_EQ(CoCreateInstance(CLSID_Tamberly, nullptr, CLSCTX_INPROC_SERVER, IID_IObjectWithSite,
                               &helper),
              S_OK);
    ComPtr<IDispatch> events;
    EXPECT_EQ(helper.As(&events), S_OK);
    ComPtr<ITBHELPExplorerEvents2> typed;
    EXPECT_EQ(helper.As(&typed), S_OK);
    void* site = &site;
    EXPECT_EQ(helper->GetSite(IID_IUnknown, &site), E_FAIL);
    EXPECT_EQ(site, nullptr);
    EXPECT_EQ(helper->GetSite(IID_IUnknown, nullptr), E_POINTER);
    EXPECT_EQ(helper->SetSite(nullptr), E_FAIL);
    // A site that is no browser.
    EXPECT_EQ(helper->SetSite(notABrowser.Get()), E_FAIL);
    // An event without a browser fails instead of crashing.
    EXPECT_EQ(typed->DocumentComplete(nullptr, nullptr), E_POINTER);
    EXPECT_EQ(typed->StatusTextChange(nullptr), E_NOTIMPL);
    registerService(true);
}

// --- navigations ---

TEST_F(HostSession, AnAllowedPageIsAskedAboutInOrderAndItsTextChecked) {
    const Session s = session("", pages() +
                                      "window main\n"
                                      "navigate main http://kids.example/\n"
                                      "close main\n");
    EXPECT_EQ(s.lines("helper", "main").at(0).option("hr"), "0x00000000");
    EXPECT_THAT(s.results(), ElementsAre("shown"));
    const std::vector<std::string> calls = s.callTexts(false);
    ASSERT_GE(calls.size(), 6u);
    EXPECT_THAT(std::vector<std::string>(calls.begin(), calls.begin() + 5),
                ElementsAre("AddRefCount", "TBOn", "needUpdate", "CheckTimedAccess", "FilterURL"));
    EXPECT_EQ(s.calls[1].args, std::vector<std::string>{""});
    EXPECT_EQ(s.calls[4].args, std::vector<std::string>{"http://kids.example/"});
    // The text grows while the page arrives; the full text was sent last.
    std::vector<std::string> texts;
    for (const Call& c : s.calls) {
        if (c.method == "passesFilterList") texts.push_back(c.args.at(1));
    }
    EXPECT_THAT(texts, Contains("http://kids.example/ Kids' corner keywords games, puzzles "));
    EXPECT_EQ(texts.back(), "http://kids.example/ Kids' corner keywords games, puzzles ");
    EXPECT_THAT(calls,
                ElementsAre("AddRefCount", "TBOn", "needUpdate", "CheckTimedAccess", "FilterURL",
                            ::testing::_, ::testing::_, ::testing::_, "Save", "DecRefCount"));
    EXPECT_THAT(s.browserCalls(), ElementsAre("ShowBrowserBar show=1", "ShowBrowserBar show=0"));
    EXPECT_EQ(s.exitCode, 0u);
}

TEST_F(HostSession, ABlockedAddressIsCancelledAndReplacedByTheBlockPage) {
    const Session s = session("FilterURL match=casino block C:\\Tamberly\\restricted1.htm\n",
                              pages() +
                                  "window main\n"
                                  "navigate main http://casino.example/\n");
    EXPECT_THAT(s.results(), ElementsAre(std::string("redirected ") + kBlockPage));
    const auto befores = s.lines("before", "main");
    ASSERT_EQ(befores.size(), 2u);
    EXPECT_EQ(befores[1].option("url"), "http://casino.example/");
    EXPECT_EQ(befores[1].option("cancel"), "1");
    EXPECT_EQ(befores[1].option("hr"), "0x00000000");
    EXPECT_THAT(s.browserCalls(), ElementsAre("Stop", "Navigate url=C:\\Tamberly\\restricted1.htm",
                                              "ShowBrowserBar show=0", "ShowBrowserBar show=0"));
    // The block page is a local file: judged, but not counted and not timed.
    EXPECT_THAT(s.callTexts(), Contains(std::string("FilterURL ") + kBlockPage));
    EXPECT_EQ(s.count("CheckTimedAccess"), 1);
    EXPECT_EQ(s.count("DecRefCount"), 1);
}

TEST_F(HostSession, APageWhoseTextHoldsABlockedWordIsReplacedWhileItArrives) {
    const Session s = session("passesFilterList match=casino fail C:\\Tamberly\\restricted3.htm\n",
                              pages() +
                                  "window main\n"
                                  "navigate main http://casino.example/\n");
    EXPECT_THAT(s.results(), ElementsAre(std::string("redirected ") + kWordPage));
    EXPECT_THAT(s.browserCalls(),
                ElementsAre("Stop", "Navigate url=C:\\Tamberly\\restricted3.htm flags=10",
                            "ShowBrowserBar show=0", "ShowBrowserBar show=0"));
    int casinoChecks = 0;
    for (const Call& c : s.calls)
        casinoChecks += c.method == "passesFilterList" && c.args[0] == "http://casino.example/";
    EXPECT_EQ(casinoChecks, 1);
}

// --- frames: each judged like the window, each with its own browser object ---

std::string framedPages() {
    return pages() +
           "page http://family.example/ title=\"Family\" frame=http://kids.example/ "
           "frame=http://casino.example/\n"
           "page http://casino-lobby.example/ title=\"Lobby\" frame=http://school.example/\n"
           "page http://games.example/ title=\"Games\" frame=http://kids.example/ "
           "frame=http://games.example/night.htm\n"
           "page http://games.example/night.htm title=\"Poker night\"\n";
}

TEST_F(HostSession, ABlockedFrameInsideAnAllowedPageSendsTheWholeWindowToTheBlockPage) {
    const Session s = session("FilterURL match=casino block C:\\Tamberly\\restricted1.htm\n",
                              framedPages() +
                                  "window main\n"
                                  "navigate main http://family.example/\n");
    EXPECT_THAT(s.results(), ElementsAre(std::string("redirected ") + kBlockPage));
    const auto befores = s.lines("before", "main");
    ASSERT_GE(befores.size(), 4u);
    EXPECT_EQ(befores[1].option("url"), "http://kids.example/");
    EXPECT_EQ(befores[1].option("frame"), "1");
    EXPECT_EQ(befores[1].option("cancel"), "0");
    EXPECT_EQ(befores[3].option("url"), "http://casino.example/");
    EXPECT_EQ(befores[3].option("frame"), "2");
    EXPECT_EQ(befores[3].option("cancel"), "1");
    EXPECT_EQ(befores[2].option("url"), kBlockPage) << "the window, not the frame";
    EXPECT_FALSE(befores[2].option("frame"));
    // The first frame completed (and showed the bar) before the second was
    // offered.
    EXPECT_THAT(s.browserCalls(), ElementsAre("ShowBrowserBar show=1", "Stop",
                                              "Navigate url=C:\\Tamberly\\restricted1.htm",
                                              "ShowBrowserBar show=0", "ShowBrowserBar show=0"));
    EXPECT_THAT(s.callTexts(), Contains("FilterURL http://casino.example/"));
}

TEST_F(HostSession, AnAllowedFrameInsideABlockedPageIsNeverOffered) {
    const Session s = session("FilterURL match=casino block C:\\Tamberly\\restricted1.htm\n",
                              framedPages() +
                                  "window main\n"
                                  "navigate main http://casino-lobby.example/\n");
    EXPECT_THAT(s.results(), ElementsAre(std::string("redirected ") + kBlockPage));
    for (const Command& before : s.lines("before", "main"))
        EXPECT_NE(before.option("url"), "http://school.example/");
    EXPECT_THAT(s.callTexts(), Not(Contains("FilterURL http://school.example/")));
}

TEST_F(HostSession, TheTextCheckReadsEachFramesOwnDocument) {
    const Session s = session("passesFilterList match=night fail C:\\Tamberly\\restricted3.htm\n",
                              framedPages() +
                                  "window main\n"
                                  "navigate main http://games.example/\n");
    EXPECT_THAT(s.results(), ElementsAre(std::string("redirected ") + kWordPage));
    std::vector<std::string> checked;
    for (const Call& c : s.calls) {
        if (c.method == "passesFilterList") checked.push_back(c.args.at(1));
    }
    EXPECT_THAT(checked, Contains("http://kids.example/ Kids' corner keywords games, puzzles "));
    EXPECT_THAT(checked, Contains("http://games.example/night.htm Poker night "));
    EXPECT_THAT(s.browserCalls(), Contains("Navigate url=C:\\Tamberly\\restricted3.htm flags=10"));
}

TEST_F(HostSession, NonWebAddressesAreNeverCountedOrTimedButStillFiltered) {
    const Session s = session("", pages() +
                                      "window main\n"
                                      "navigate main file:///C:/docs/homework.htm\n"
                                      "navigate main about:blank\n"
                                      "navigate main res://ieframe.dll/navcancl.htm\n"
                                      "close main\n");
    EXPECT_THAT(s.results(), ElementsAre("shown", "shown", "shown"));
    EXPECT_EQ(s.count("AddRefCount"), 0);
    EXPECT_EQ(s.count("CheckTimedAccess"), 0);
    EXPECT_EQ(s.count("needUpdate"), 3);
    EXPECT_THAT(s.callTexts(), Contains("FilterURL file:///C:/docs/homework.htm"));
    EXPECT_THAT(s.callTexts(), Contains("FilterURL about:blank"));
    EXPECT_THAT(s.callTexts(), Contains("FilterURL res://ieframe.dll/navcancl.htm"));
    // A window that never reached a web address takes nothing back.
    EXPECT_EQ(s.count("DecRefCount"), 0);
    EXPECT_EQ(s.count("Save"), 1);
}

TEST_F(HostSession, CountingFollowsTheWindowBetweenWebAndOtherAddresses) {
    const Session s = session("", pages() +
                                      "window main\n"
                                      "navigate main http://kids.example/\n"
                                      "navigate main about:blank\n"
                                      "navigate main http://kids.example/\n"
                                      "close main\n");
    EXPECT_EQ(s.count("AddRefCount"), 2);
    EXPECT_EQ(s.count("DecRefCount"), 2);
}

TEST_F(HostSession, APopUpWithoutMenuBarIsFilteredAndNeverShowsTheBar) {
    const Session s = session("FilterURL match=casino block C:\\Tamberly\\restricted1.htm\n",
                              pages() +
                                  "window main\n"
                                  "navigate main http://kids.example/\n"
                                  "window pop menubar=0\n"
                                  "navigate pop http://casino.example/\n"
                                  "navigate pop http://kids.example/\n",
                              L"--bands");
    EXPECT_THAT(s.results("pop"), ElementsAre(std::string("redirected ") + kBlockPage, "shown"));
    // With bands on the host tries to create the bar, which is not installed here.
    const auto bars = s.lines("bar", "main");
    ASSERT_FALSE(bars.empty());
    EXPECT_EQ(bars[0].option("clsid"), "{D691CF40-D7B8-11d2-8BDD-0000C0301BE5}");
    EXPECT_EQ(bars[0].option("hr"), "0x80040154");
    for (const std::string& call : s.browserCalls("pop"))
        EXPECT_THAT(call, Not(HasSubstr("show=1")));
    EXPECT_THAT(s.browserCalls("main"), Contains("ShowBrowserBar show=1"));
}

TEST_F(HostSession, FilteringOffLetsEverythingThroughAndStopsContentChecksInEveryWindow) {
    // Window b (on a thread of its own) holds a page while window a learns
    // that filtering is off, then on again.
    const Session s = session(
        "TBOn#2 0\n"
        "FilterURL match=casino block C:\\Tamberly\\restricted1.htm\n"
        "passesFilterList match=casino fail C:\\Tamberly\\restricted3.htm\n",
        pages() +
            "window a\n"
            "window b\n"
            "navigate b http://kids.example/ hold\n"
            "navigate a http://casino.example/\n"
            "reveal b 100\n"
            "progress b 50\n"
            "navigate a http://school.example/\n"
            "progress b 60\n"
            "finish b\n");
    EXPECT_THAT(s.results("a"), ElementsAre("shown", "shown"));
    EXPECT_EQ(s.lines("before", "a").at(0).option("cancel"), "0");
    int checksOfB = 0;
    for (const Call& c : s.calls)
        checksOfB += c.method == "passesFilterList" && c.args[0] == "http://kids.example/";
    // Not at progress 50 (filtering off), once at progress 60.
    EXPECT_EQ(checksOfB, 1);
    EXPECT_EQ(s.count("AddRefCount"), 2);  // counting goes on while filtering is off
}

TEST_F(HostSession, AnUpdateAnswerOfOneExactlySendsTheWindowToTheUpdatePage) {
    const Session s = session(
        "needUpdate#1 1 " + std::string(kUpdatePage) + "\nneedUpdate#2 -1 " + kUpdatePage + "\n",
        pages() +
            "window main\n"
            "navigate main http://kids.example/\n"
            "navigate main http://kids.example/\n");
    EXPECT_THAT(s.results(), ElementsAre(std::string("redirected ") + kUpdatePage, "shown"));
    EXPECT_THAT(s.callTexts(), Not(Contains(std::string("FilterURL ") + kUpdatePage)));
    // The update page came from the vendor: its text is not checked either.
    for (const Call& c : s.calls) {
        if (c.method == "passesFilterList") {
            EXPECT_NE(c.args[0], kUpdatePage);
        }
    }
}

TEST_F(HostSession, TimedAccessDeniedShowsTheMessageAndClosesTheWindow) {
    const Session s = session("CheckTimedAccess#1 1 -100\nCheckTimedAccess#2 2 3600\n",
                              pages() +
                                  "window main\n"
                                  "navigate main http://kids.example/\n"
                                  "window second\n"
                                  "navigate second http://kids.example/\n");
    EXPECT_THAT(s.results("main"), ElementsAre("closed"));
    EXPECT_THAT(s.results("second"), ElementsAre("closed"));
    EXPECT_THAT(
        s.boxes(),
        ElementsAre(
            "You have reached your maximum number of browsing hours for today.\nTamberly will now "
            "close your browser and Internet access will be blocked.",
            "This is not an authorized time of day for browsing.\nTamberly will now close your "
            "browser and Internet access will be blocked."));
    EXPECT_THAT(s.browserCalls("main"), ElementsAre("Quit", "ShowBrowserBar show=0"));
    EXPECT_EQ(s.count("FilterURL"), 0);
    EXPECT_EQ(s.count("DecRefCount"), 2);
    EXPECT_EQ(s.lines("window", "main").back().option("event"), "closed");
}

TEST_F(HostSession, TimeLeftWarningsComeOncePerBandAndReArmAfterANewDay) {
    const Session s = session(
        "CheckTimedAccess#1 0 1860\nCheckTimedAccess#2 0 1800\nCheckTimedAccess#3 0 1700\n"
        "CheckTimedAccess#4 0 600\nCheckTimedAccess#5 0 90\nCheckTimedAccess#6 0 59\n"
        "CheckTimedAccess#7 0 86400\nCheckTimedAccess#8 0 1800\n",
        pages() +
            "window main\n"
            "window other\n"
            "navigate main http://kids.example/ steps=0\n"
            "navigate main http://kids.example/ steps=0\n"
            "navigate other http://kids.example/ steps=0\n"
            "navigate main http://kids.example/ steps=0\n"
            "navigate other http://kids.example/ steps=0\n"
            "navigate main http://kids.example/ steps=0\n"
            "navigate main http://kids.example/ steps=0\n"
            "navigate main http://kids.example/ steps=0\n");
    EXPECT_THAT(s.boxes(), ElementsAre("You have 30 minutes remaining on your browsing time.",
                                       "You have 10 minutes remaining on your browsing time.",
                                       "You have 1 minutes remaining on your browsing time.",
                                       "You have 59 seconds remaining on your browsing time.",
                                       "You have 30 minutes remaining on your browsing time."));
    EXPECT_THAT(s.results("main"), Not(Contains(Not(std::string("shown")))));
}

TEST_F(HostSession, AnExplicitlyAllowedPageIsNotCheckedUntilTheNextDownload) {
    const Session s = session("FilterURL match=casino allow user=1\n",
                              pages() +
                                  "window main\n"
                                  "navigate main http://casino.example/ hold\n"
                                  "reveal main 100\n"
                                  "progress main 40\n"
                                  "progress main 0\n"
                                  "progress main 50\n"
                                  "finish main\n");
    EXPECT_THAT(s.results(), ElementsAre("shown"));
    const std::vector<std::string> calls = s.callTexts(false);
    const auto first = std::find(calls.begin(), calls.end(), "passesFilterList");
    EXPECT_EQ(std::count(calls.begin(), calls.end(), "passesFilterList"), 1);
    ASSERT_NE(first, calls.end());
}

// A reload is a new download with no BeforeNavigate2 of its own: its
// ProgressChange 0 ends the explicit allowance, and the page's text is
// checked as it arrives again.
TEST_F(HostSession, ARefreshedExplicitlyAllowedPageIsCheckedAgain) {
    const Session s = session(
        "FilterURL match=casino allow user=1\n"
        "passesFilterList match=casino fail C:\\Tamberly\\restricted3.htm\n",
        pages() +
            "window main\n"
            "navigate main http://casino.example/\n"
            "refresh main steps=2\n");
    EXPECT_THAT(s.results(), ElementsAre("shown", std::string("redirected ") + kWordPage));
    EXPECT_EQ(s.lines("before", "main").front().option("url"), "http://casino.example/");
    EXPECT_EQ(s.lines("before", "main").at(1).option("url"), kWordPage);
    int casinoChecks = 0;
    for (const auto& c : s.calls)
        casinoChecks += c.method == "passesFilterList" && c.args[0] == "http://casino.example/";
    EXPECT_EQ(casinoChecks, 1);
}

TEST_F(HostSession, APageWhoseTextDoesNotGrowIsSentOnce) {
    const Session s = session("", pages() +
                                      "window main\n"
                                      "navigate main http://kids.example/ hold\n"
                                      "reveal main 100\n"
                                      "progress main 40\n"
                                      "progress main 60\n"
                                      "progress main 80\n"
                                      "finish main\n");
    EXPECT_THAT(s.results(), ElementsAre("shown"));
    EXPECT_EQ(s.count("passesFilterList"), 1);
}

TEST_F(HostSession, AnUnreachableServiceSendsWebAddressesToTheUpdateErrorPage) {
    registerService(false);
    const Session s = session("", pages() +
                                      "window main\n"
                                      "navigate main http://kids.example/\n"
                                      "navigate main file:///C:/docs/homework.htm\n");
    registerService(true);
    EXPECT_THAT(s.results(), ElementsAre(std::string("redirected ") + kErrorPage, "shown"));
    EXPECT_EQ(s.lines("before", "main").at(1).option("hr"), "0x80004001");
    EXPECT_EQ(s.lines("before", "main").at(1).option("cancel"), "1");
    EXPECT_THAT(s.calls, IsEmpty());
}

TEST_F(HostSession, AfterAFailedCallTheNavigationIsJudgedWithTheNewConnection) {
    const Session s =
        session("FilterURL#1 hr 0x80004005\nFilterURL#2 block C:\\Tamberly\\restricted1.htm\n",
                pages() +
                    "window main\n"
                    "navigate main http://casino.example/\n");
    EXPECT_THAT(s.results(), ElementsAre(std::string("redirected ") + kBlockPage));
}

TEST_F(HostSession, AServiceKilledMidSessionIsRestartedByTheNextCall) {
    const Session s =
        session("FilterURL#2 die\nFilterURL#3 match=casino block C:\\Tamberly\\restricted1.htm\n",
                pages() +
                    "window main\n"
                    "navigate main http://kids.example/\n"
                    "navigate main http://casino.example/\n"
                    "navigate main http://kids.example/\n"
                    "close main\n");
    EXPECT_THAT(s.results(),
                ElementsAre("shown", std::string("redirected ") + kBlockPage, "shown"));
    ASSERT_EQ(s.pids.size(), 2u) << "the service was started again";
    // The restarted service was told that the window browses.
    int addsOnNew = 0;
    for (const Call& c : s.calls) addsOnNew += c.pid == s.pids[1] && c.method == "AddRefCount";
    EXPECT_EQ(addsOnNew, 1);
    EXPECT_EQ(s.calls.back().method, "DecRefCount");
    EXPECT_EQ(s.calls.back().pid, s.pids[1]);
}

}  // namespace
