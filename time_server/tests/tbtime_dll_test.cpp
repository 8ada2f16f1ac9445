// tbtime.dll as its clients meet it, in a Wine prefix of the suite's own:
// registered with regsvr32, created by CLSID and ProgID through COM, driven
// by VBScript through cscript, and unregistered again. The time server is
// one of the suite's own on loopback, named by the registry values.
#include "time_server/tests/daytime_test_server.h"

#include <gtest/gtest.h>
#include <wrl/client.h>

#include <fstream>
#include <string>

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "common/registry_win32.h"
#include "common/type_library.h"
#include "service/process/tests/wine_test_support.h"
#include "time_server/daytime_server.h"
#include "time_server/tbtime.h"
#include "time_server/tests/time_server_test_support.h"

using Microsoft::WRL::ComPtr;

namespace tb {
namespace {

using testing::DaytimeTestServer;
using testing::eventually;
using testing::kNistNoonSeconds;
using testing::readTime;
using testing::TimeRead;

const wchar_t kClsidKey[] = L"CLSID\\{A473544D-570D-11D4-8C06-0000C0301BE5}";

std::wstring dllPath() {
    return moduleDirectory(thisModule()) + L"tbtime.dll";
}

// Runs a program of the prefix to its end; its exit code, and what it
// wrote to standard output when asked for.
DWORD run(const std::wstring& commandLine, std::string* output = nullptr) {
    SECURITY_ATTRIBUTES inherit = {};
    inherit.nLength = sizeof inherit;
    inherit.bInheritHandle = TRUE;
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (output && !CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return ~0u;
    ScopedHandle reader(readEnd), writer(writeEnd);
    if (output) SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    if (output) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = writeEnd;
        startup.hStdError = writeEnd;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION process = {};
    if (!tb::testing::startProcess(nullptr, commandLine, output != nullptr, startup, process))
        return ~0u;
    ScopedHandle processHandle(process.hProcess), threadHandle(process.hThread);
    writer.reset();
    if (output) {
        char buffer[512];
        DWORD got = 0;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got > 0)
            output->append(buffer, got);
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = ~0u;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
}

DWORD regsvr32(const wchar_t* switches) {
    return run(L"regsvr32.exe " + std::wstring(switches) + L" \"" + dllPath() + L"\"");
}

std::optional<std::string> classesValue(const std::wstring& key, const wchar_t* name = nullptr) {
    RegKey k;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, k.receive()) != ERROR_SUCCESS)
        return std::nullopt;
    wchar_t text[MAX_PATH * 2] = {};
    DWORD size = sizeof text - sizeof(wchar_t), type = 0;
    if (RegQueryValueExW(k.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return std::string();  // the key is there without that text
    }
    return toAnsi(text, wcslen(text));
}

bool classesKeyExists(const std::wstring& key) {
    RegKey k;
    return RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, k.receive()) == ERROR_SUCCESS;
}

void pointAt(uint16_t port) {
    Win32Registry registry;
    ASSERT_TRUE(registry.createKey(RegRoot::LocalMachine, kProductKey));
    ASSERT_TRUE(registry.writeString(RegRoot::LocalMachine, kProductKey, kTimeServerHostValue,
                                     "127.0.0.1"));
    ASSERT_TRUE(
        registry.writeDword(RegRoot::LocalMachine, kProductKey, kTimeServerPortValue, port));
}

// The hour that 12:00 UTC becomes at +5:30 on this computer: one more
// while it is on daylight-saving time.
LONG expectedHourAtNoon() {
    TIME_ZONE_INFORMATION info;
    return GetTimeZoneInformation(&info) == TIME_ZONE_ID_DAYLIGHT ? 18 : 17;
}

class Environment : public ::testing::Environment {
  public:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
        ASSERT_EQ(regsvr32(L"/s"), 0u)
            << "regsvr32 of " << toAnsi(dllPath().c_str(), dllPath().size());
    }
    void TearDown() override { WSACleanup(); }
};
const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new Environment);

class TbtimeDll : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(SUCCEEDED(com_.result())); }

    static ComPtr<ITimeServer> create() {
        CLSID clsid = {};
        EXPECT_EQ(CLSIDFromProgID(L"Tbtime.TimeServer", &clsid), S_OK);
        EXPECT_TRUE(IsEqualCLSID(clsid, CLSID_TimeServer));
        ComPtr<ITimeServer> ts;
        EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_ITimeServer, &ts),
                  S_OK);
        return ts;
    }

    ComApartment com_;
    DaytimeTestServer server;
};

TEST(Registration, WritesTheClassItsProgIdsAndItsTypeLibrary) {
    EXPECT_EQ(classesValue(L"Tbtime.TimeServer"), "TimeServer Class");
    EXPECT_EQ(classesValue(L"Tbtime.TimeServer\\CLSID"), "{A473544D-570D-11D4-8C06-0000C0301BE5}");
    EXPECT_EQ(classesValue(L"Tbtime.TimeServer\\CurVer"), "Tbtime.TimeServer.1");
    EXPECT_EQ(classesValue(L"Tbtime.TimeServer.1"), "TimeServer Class");
    EXPECT_EQ(classesValue(L"Tbtime.TimeServer.1\\CLSID"),
              "{A473544D-570D-11D4-8C06-0000C0301BE5}");

    const std::wstring clsid = kClsidKey;
    EXPECT_EQ(classesValue(clsid), "TimeServer Class");
    EXPECT_EQ(classesValue(clsid + L"\\ProgID"), "Tbtime.TimeServer.1");
    EXPECT_EQ(classesValue(clsid + L"\\VersionIndependentProgID"), "Tbtime.TimeServer");
    EXPECT_TRUE(classesKeyExists(clsid + L"\\Programmable"));
    EXPECT_EQ(classesValue(clsid + L"\\TypeLib"), "{A4735440-570D-11D4-8C06-0000C0301BE5}");
    const std::wstring path = dllPath();
    const auto server = classesValue(clsid + L"\\InprocServer32");
    ASSERT_TRUE(server);
    EXPECT_EQ(lstrcmpiA(server->c_str(), toAnsi(path.c_str(), path.size()).c_str()), 0) << *server;
    EXPECT_EQ(classesValue(clsid + L"\\InprocServer32", L"ThreadingModel"), "Apartment");

    ComApartment com;
    ComPtr<ITypeLib> lib;
    EXPECT_EQ(LoadRegTypeLib(LIBID_TBTIMELib, 1, 0, LOCALE_NEUTRAL, &lib), S_OK);
}

TEST_F(TbtimeDll, SynchronisesWithTheConfiguredServerAndShowsTheChosenZone) {
    pointAt(server.port());
    ComPtr<ITimeServer> ts = create();
    ASSERT_TRUE(ts);
    ASSERT_EQ(ts->SetTimezoneOffset(5.5f), S_OK);
    ASSERT_EQ(ts->Start(), S_OK);
    ASSERT_TRUE(eventually([&] { return readTime(ts.Get()).value == kNistNoonSeconds; }));
    const TimeRead r = readTime(ts.Get());
    EXPECT_EQ(r.type, VT_ARRAY | VT_I4);
    ASSERT_EQ(r.fields.size(), 9u);
    EXPECT_EQ(r.fields[2], expectedHourAtNoon());
    EXPECT_EQ(r.fields[1], 30);
    EXPECT_EQ(r.fields[6], 1);  // Monday
    EXPECT_EQ(server.connections(), 1);
}

// With the real five-second ticker and no server to answer: one step per
// five seconds per Start, however far the computer's clock moves meanwhile.
TEST_F(TbtimeDll, TicksInFiveSecondStepsAndTwiceAsFastWhenStartedTwice) {
    pointAt(DaytimeTestServer::refusedPort());
    ComPtr<ITimeServer> once = create(), twice = create();
    ASSERT_TRUE(once && twice);
    ASSERT_EQ(once->Start(), S_OK);
    ASSERT_EQ(twice->Start(), S_OK);
    ASSERT_EQ(twice->Start(), S_OK);
    const LONG once0 = readTime(once.Get()).value, twice0 = readTime(twice.Get()).value;
    const ULONGLONG wall0 = GetTickCount64();
    Sleep(7500);  // one step of each ticker, the next due at 10 s
    const ULONGLONG wall = GetTickCount64() - wall0;
    EXPECT_EQ(readTime(once.Get()).value - once0, 5) << wall << " ms";
    EXPECT_EQ(readTime(twice.Get()).value - twice0, 10) << wall << " ms";
}

TEST_F(TbtimeDll, VBScriptCreatesItByProgIdThroughCscript) {
    pointAt(server.port());
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring script = std::wstring(temp) + L"tbtime_client.vbs";
    {
        std::ofstream out(script.c_str(), std::ios::binary | std::ios::trunc);
        out << "Set t = CreateObject(\"Tbtime.TimeServer\")\r\n"
               "t.SetTimezoneOffset 5.5\r\n"
               "t.Start\r\n"
               "Dim fields\r\n"
               // Wine's cscript has no WScript.Sleep: ask until the answer
               // is there, for five seconds at most.
               "deadline = Timer + 5\r\n"
               "Do\r\n"
               "  v = t.GetTime(fields)\r\n"
               "  If v = "
            << kNistNoonSeconds
            << " Then Exit Do\r\n"
               "Loop While Timer < deadline\r\n"
               "WScript.Echo \"value \" & v\r\n"
               "WScript.Echo \"fields \" & VarType(fields) & \" \" & IsArray(fields)\r\n";
    }
    std::string output;
    EXPECT_EQ(run(L"cscript.exe //nologo \"" + script + L"\"", &output), 0u);
    EXPECT_NE(output.find("value " + std::to_string(kNistNoonSeconds)), std::string::npos)
        << output;
    EXPECT_NE(output.find("fields 8195 True"), std::string::npos) << output;  // VT_ARRAY | VT_I4
    DeleteFileW(script.c_str());
}

// The object may go while its threads run; once they have ended COM can
// unload the DLL.
TEST_F(TbtimeDll, ReleasedWhileItsThreadsRunItLetsTheDllUnload) {
    pointAt(DaytimeTestServer::refusedPort());
    HMODULE held = LoadLibraryW(dllPath().c_str());
    ASSERT_TRUE(held);
    auto canUnload = reinterpret_cast<HRESULT(WINAPI*)()>(
        reinterpret_cast<void (*)()>(GetProcAddress(held, "DllCanUnloadNow")));
    ASSERT_TRUE(canUnload);
    {
        ComPtr<ITimeServer> ts = create();
        ASSERT_TRUE(ts);
        ASSERT_EQ(ts->Start(), S_OK);
        ASSERT_EQ(ts->Start(), S_OK);
        EXPECT_EQ(canUnload(), S_FALSE);
    }
    EXPECT_EQ(canUnload(), S_OK);
    FreeLibrary(held);
    CoFreeUnusedLibrariesEx(0, 0);
    EXPECT_TRUE(eventually([] { return GetModuleHandleW(L"tbtime.dll") == nullptr; }));
    Sleep(200);  // a ticker that outlived its module would crash here
}

TEST(Unregistration, RemovesEverythingRegistrationWrote) {
    ASSERT_EQ(regsvr32(L"/u /s"), 0u);
    EXPECT_FALSE(classesKeyExists(L"Tbtime.TimeServer"));
    EXPECT_FALSE(classesKeyExists(L"Tbtime.TimeServer.1"));
    EXPECT_FALSE(classesKeyExists(kClsidKey));
    EXPECT_TRUE(classesKeyExists(L"CLSID"));
    ComApartment com;
    ComPtr<ITypeLib> lib;
    EXPECT_NE(LoadRegTypeLib(LIBID_TBTIMELib, 1, 0, LOCALE_NEUTRAL, &lib), S_OK);
    ComPtr<ITimeServer> ts;
    EXPECT_EQ(
        CoCreateInstance(CLSID_TimeServer, nullptr, CLSCTX_INPROC_SERVER, IID_ITimeServer, &ts),
        REGDB_E_CLASSNOTREG);
    // Unregistering what is not registered is no failure.
    EXPECT_EQ(regsvr32(L"/u /s"), 0u);
}

}  // namespace
}  // namespace tb
