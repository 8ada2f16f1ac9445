// The product as the installer leaves it, in a fresh prefix: tbserv.exe in
// Program Files\Tamberly with the sample lists, started by the first client
// that asks for tbserv.Log, serving clients in other processes (one of them
// a VBScript run by cscript) from one object, and saving what they changed.
#include <windows.h>
#include <objbase.h>
#include <wrl/client.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "common/tbserv.h"
#include "tests/installed/installed_product.h"

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

}  // namespace
}  // namespace tb
