// The product as the installer leaves it, in a fresh prefix: tbserv.exe in
// Program Files\Tamberly with the sample lists, started by the first client
// that asks for tbserv.Log, serving clients in other processes (one of them
// a VBScript run by cscript) from one object, and saving what they changed.
#include <windows.h>
#include <objbase.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <thread>
#include <string>
#include <vector>

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "common/tbserv.h"
#include "tests/installed/installed_product.h"
#include "tools/browser_host/process_control.h"

namespace tb {
namespace {

using Microsoft::WRL::ComPtr;
using testing::ProgramRun;
using testing::runProgram;
using testing::windowsPath;

using namespace installed;

class InstalledService : public InstalledProduct {
  protected:
    // cscript of this test's bitness, or the one given.
    ProgramRun script(const std::string& text, const std::string& cscript = "cscript.exe") {
        const std::string path = temporary("tb_client.vbs");
        std::ofstream(path, std::ios::binary) << text;
        return runProgram(cscript + " //nologo \"" + path + "\"");
    }
    bool filterAllows(const std::string& address) {
        BSTR url = newBstr(address);
        VARIANT_BOOL userAllowed = 0, allowed = 0;
        EXPECT_EQ(log->FilterURL(&url, &userAllowed, &allowed), S_OK);
        SysFreeString(url);
        return allowed != 0;
    }
};

// A fresh installation has no password: the lone marker (the Manager's
// question) answers yes and sets nothing, the first new password is taken,
// and from then on the marker answers no and cannot replace it unasked.
TEST_F(InstalledService, AFreshInstallHasNoPasswordUntilTheParentSetsOne) {
    const ProgramRun fresh = script(
        "Set service = CreateObject(\"tbserv.Log\")\r\n"
        "WScript.Echo \"unset \" & CInt(service.VerifyPassword(Chr(254)))\r\n"
        "WScript.Echo \"empty \" & CInt(service.VerifyPassword(\"\"))\r\n"
        "WScript.Echo \"unset \" & CInt(service.VerifyPassword(Chr(254)))\r\n");
    EXPECT_NE(fresh.output.find("unset 1\r\nempty 1\r\nunset 1"), std::string::npos)
        << fresh.output;

    ScopedBstr first(
        L"\xFE"
        L"parent");
    VARIANT_BOOL verified = 0;
    ASSERT_EQ(log->VerifyPassword(first.get(), &verified), S_OK);
    EXPECT_NE(verified, 0);
    // The refused take-over counts as a wrong password, whose dialog the
    // service shows.
    IncorrectPasswordAnswerer answerer;
    const ProgramRun after = script(
        "Set service = CreateObject(\"tbserv.Log\")\r\n"
        "WScript.Echo \"unset \" & CInt(service.VerifyPassword(Chr(254)))\r\n"
        "WScript.Echo \"taken \" & CInt(service.VerifyPassword(Chr(254) & \"kid\"))\r\n");
    EXPECT_NE(after.output.find("unset 0\r\ntaken 0"), std::string::npos) << after.output;
    EXPECT_EQ(answerer.answered(), 1);
    ScopedBstr parent(L"parent");
    ASSERT_EQ(log->VerifyPassword(parent.get(), &verified), S_OK);
    EXPECT_NE(verified, 0) << "the parent's password stands";
}

TEST_F(InstalledService, OneResidentServiceFiltersForEveryClient) {
    EXPECT_FALSE(filterAllows("http://www.royal-casino.example/poker/tables.htm"));
    EXPECT_TRUE(filterAllows("http://www.news.example/today.htm"));
    EXPECT_EQ(serverProcesses().size(), 1u);
    EXPECT_EQ(runProgram("\"" + windowsPath(TB_LOG_CLIENT_EXE) + "\"").exitCode, 0u);
    EXPECT_EQ(serverProcesses().size(), 1u);
}

// A client no one here wrote: Wine's VBScript adds a word that this process
// then sees, filters an address, and walks the site log. (Not "log" for the
// object: that is VBScript's own Log function.)
TEST_F(InstalledService, AScriptClientSharesTheWordListAndWalksTheSiteLog) {
    filterAllows("http://www.news.example/today.htm");
    const ProgramRun run = script(
        "Set service = CreateObject(\"tbserv.Log\")\r\n"
        "service.AddWordToBlock \"zebrafish\", added\r\n"
        "WScript.Echo \"added \" & CInt(added)\r\n"
        "url = \"http://www.weather.example/\"\r\n"
        "allowed = service.FilterURL(url, userAllowed)\r\n"
        "WScript.Echo \"allowed \" & CInt(allowed) & \" \" & url\r\n"
        "WScript.Echo \"count \" & service.Count\r\n"
        "For Each site In service\r\n"
        "  WScript.Echo \"site \" & site.URL & \" \" & site.NumberOfHits\r\n"
        "Next\r\n");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("added 1"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("allowed 1 http://www.weather.example/"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("count 2"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("site www.news.example/today.htm 1"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("site www.weather.example/ 1"), std::string::npos) << run.output;

    ScopedBstr word;
    std::vector<std::string> words;
    for (log->getFirstUserWord(word.receive()); word.get(); log->getNextUserWord(word.receive())) {
        words.push_back(toAnsi(word.get()));
    }
    EXPECT_NE(std::find(words.begin(), words.end(), "zebrafish"), words.end());
}

// On 64-bit Windows, the script host of each bitness drives the one 64-bit
// service through its type library.
TEST_F(InstalledService, ScriptClientsOfEitherBitnessDriveTheService) {
    if (!testing::windowsIs64Bit()) GTEST_SKIP() << "32-bit Windows has one bitness";
    const std::string text =
        "Set service = CreateObject(\"tbserv.Log\")\r\n"
        "url = \"http://www.royal-casino.example/poker/tables.htm\"\r\n"
        "allowed = service.FilterURL(url, userAllowed)\r\n"
        "WScript.Echo \"allowed \" & CInt(allowed) & \" \" & url\r\n";
    for (const char* cscript :
         {"C:\\windows\\syswow64\\cscript.exe", "C:\\windows\\sysnative\\cscript.exe"}) {
        if (sizeof(void*) == 8 && std::string(cscript).find("sysnative") != std::string::npos)
            cscript = "C:\\windows\\system32\\cscript.exe";  // no redirection to undo
        const ProgramRun run = script(text, cscript);
        EXPECT_EQ(run.exitCode, 0u) << cscript << ": " << run.output;
        EXPECT_NE(run.output.find("allowed 0 C:\\Program Files\\Tamberly\\restricted1.htm"),
                  std::string::npos)
            << cscript << ": " << run.output;
    }
    EXPECT_EQ(serverProcesses().size(), 1u);
}

TEST_F(InstalledService, TheOrderlyEndSavesTheLogsAndASecondStartReadsThem) {
    filterAllows("http://www.library.example/");
    log.Reset();
    ASSERT_TRUE(endService());
    EXPECT_EQ(GetFileAttributesA((kProduct + "tbl.log").c_str()) != INVALID_FILE_ATTRIBUTES, true);

    ComPtr<ILog> again;
    ASSERT_EQ(CoCreateInstance(CLSID_Log, nullptr, CLSCTX_LOCAL_SERVER, IID_ILog,
                               reinterpret_cast<void**>(again.GetAddressOf())),
              S_OK);
    ScopedBstr url(L"www.library.example/");
    VARIANT_BOOL allowed = 0;
    EXPECT_EQ(again->IsURLAllowed(url.get(), &allowed), S_OK);
    EXPECT_EQ(allowed, 1) << "the site log came back from tbl.log";
}

// Windows ending the session: the service saves when it is asked, before
// it may be ended without warning, and saves and ends when it is told.
TEST_F(InstalledService, WindowsEndingTheSessionFindsEverythingSaved) {
    const auto sessionWindow = [] {
        HWND window = nullptr;
        for (int i = 0; i < 50 && !window; ++i, Sleep(100))
            window = FindWindowW(L"TamberlySession", nullptr);
        return window;
    };
    const auto loggedByANewService = [this](const wchar_t* address) {
        EXPECT_TRUE(connect());
        ScopedBstr url(address);
        VARIANT_BOOL allowed = 0;
        EXPECT_EQ(log->IsURLAllowed(url.get(), &allowed), S_OK);
        return allowed == 1;
    };

    filterAllows("http://www.asked.example/");
    HWND window = sessionWindow();
    ASSERT_NE(window, nullptr);
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(window, WM_QUERYENDSESSION, 0, 0, SMTO_BLOCK, 30000, &answer));
    EXPECT_EQ(answer, TRUE) << "the service does not hold up the end";
    // Ended without another word, as Windows may once every program agreed.
    log.Reset();
    host::setOtherBitnessHost(windowsPath(TB_OTHER_HOST_EXE));
    bool gone = false;
    host::endProcesses("tbserv.exe", host::EndMode::Crash, 30000, &gone);
    ASSERT_TRUE(gone);
    EXPECT_TRUE(loggedByANewService(L"www.asked.example/")) << "saved when asked";

    filterAllows("http://www.told.example/");
    window = sessionWindow();
    ASSERT_NE(window, nullptr);
    SendMessageTimeoutW(window, WM_ENDSESSION, TRUE, 0, SMTO_BLOCK, 30000, &answer);
    log.Reset();
    for (int i = 0; i < 300 && !serverProcesses().empty(); ++i) Sleep(100);
    EXPECT_TRUE(serverProcesses().empty()) << "the service ends when the session does";
    EXPECT_TRUE(loggedByANewService(L"www.told.example/")) << "saved when told";
}

// The browser helper as the installer registered it, in the browser host,
// judged by the installed service: a page is shown, a blocked address is
// sent to the block page, and the visit is in the service's site log.
TEST_F(InstalledService, TheBrowserHelperJudgesEveryNavigationThroughTheService) {
    const std::string path = temporary("tb_browse.txt");
    std::ofstream(path, std::ios::binary)
        << "page http://www.museum.example/ title=\"Museum\"\n"
           "page http://www.royal-casino.example/poker/tables.htm title=\"Casino\"\n"
           "window main\n"
           "navigate main http://www.museum.example/\n"
           "navigate main http://www.royal-casino.example/poker/tables.htm\n"
           "close main\n";
    const ProgramRun run =
        runProgram("\"" + windowsPath(TB_HOST_EXE) + "\" --timeout=60 --script=\"" + path + "\"");
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    EXPECT_NE(run.output.find("nav main url=http://www.museum.example/ result=shown"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("url=http://www.royal-casino.example/poker/tables.htm cancel=1"),
              std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find("restricted1.htm"), std::string::npos) << run.output;

    ScopedBstr visited(L"www.museum.example/");
    VARIANT_BOOL allowed = 0;
    EXPECT_EQ(log->IsURLAllowed(visited.get(), &allowed), S_OK);
    EXPECT_EQ(allowed, 1) << "the helper's navigation is in the site log";
}

// The page a parent reads on scripting: its blocks of VBScript, each with
// the text block that follows it (what it prints; none for the first).
struct PageExample {
    std::string script;
    std::string prints;
};
std::vector<PageExample> examplesOf(const std::string& path) {
    std::ifstream page(path, std::ios::binary);
    std::vector<std::pair<std::string, std::string>> blocks;  // language, text
    std::string line, language, text;
    bool inside = false;
    while (std::getline(page, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("```", 0) == 0) {
            if (inside) blocks.emplace_back(language, text);
            inside = !inside;
            language = line.substr(3);
            text.clear();
        } else if (inside) {
            text += line + (language == "text" ? "\n" : "\r\n");
        }
    }
    std::vector<PageExample> examples;
    for (size_t i = 0; i < blocks.size(); ++i) {
        if (blocks[i].first != "vbscript") continue;
        const bool shown = i + 1 < blocks.size() && blocks[i + 1].first == "text";
        examples.push_back({blocks[i].second, shown ? blocks[i + 1].second : ""});
    }
    return examples;
}

// Each example runs green against the installed service with the logs that
// the page assumes, and prints what the page shows after it.
TEST_F(InstalledService, EveryExampleOfTheScriptingPageDoesWhatThePageSays) {
    ComPtr<IManagerData> manager;
    ASSERT_EQ(log.As(&manager), S_OK);
    for (auto [set, entry] :
         {std::pair{&IManagerData::SetVisitedSites, "1700000000 www.news.example/today.htm"},
          std::pair{&IManagerData::SetBlockedLog,
                    "1700000000 www.royal-casino.example/poker/tables.htm"}}) {
        ScopedVariant list;
        ASSERT_EQ(variantFromStrings({entry}, list.get()), S_OK);
        ASSERT_EQ((manager.Get()->*set)(list.get()), S_OK);
    }
    const std::vector<PageExample> examples = examplesOf(windowsPath(TB_SCRIPTING_PAGE));
    ASSERT_GE(examples.size(), 6u);
    for (const PageExample& example : examples) {
        const ProgramRun run = script(example.script);
        std::string output = run.output;
        output.erase(std::remove(output.begin(), output.end(), '\r'), output.end());
        EXPECT_EQ(run.exitCode, 0u) << example.script;
        EXPECT_EQ(output, example.prints) << example.script;
    }
    // What the examples changed, seen by another client.
    EXPECT_FALSE(filterAllows("http://www.games.example/"));
    EXPECT_TRUE(filterAllows("http://www.school.example/homework/maths.htm"));
    short total = -1;
    EXPECT_EQ(manager->GetTotalHours(eday_Saturday, &total), S_OK);
    EXPECT_EQ(total, 3);
    VARIANT_BOOL gambling = -7;
    EXPECT_EQ(manager->GetCategoryState(ecat_Gambling, &gambling), S_OK);
    EXPECT_EQ(gambling, 0);
}

}  // namespace
}  // namespace tb
