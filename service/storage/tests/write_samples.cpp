// Writes a tbl.log, a tblB.log and a tbd.dat with fixed contents through
// the ole32 adapter, for readers outside the system to check
// (check_samples.py knows the same contents).
#include <windows.h>

#include <cstdio>
#include <string>

#include "common/com_holders.h"
#include "service/settings/settings_store.h"
#include "service/sitelog/site_log_file.h"
#include "service/storage/code_page_win32.h"
#include "service/storage/compound_file_win32.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: write_samples <directory>\n");
        return 2;
    }
    const std::string dir = std::string(argv[1]) + "\\";
    CreateDirectoryA(argv[1], nullptr);
    for (const char* name : {"tbl.log", "tblB.log", "tbd.dat"}) DeleteFileA((dir + name).c_str());

    tb::ComApartment com;
    tb::storage::Ole32CompoundFiles files;
    tb::storage::SystemCodePage codePage;
    const std::string key = "vuk5820461973";

    bool ok = tb::sitelog::saveVisitedLog(
        files, dir + "tbl.log",
        {{"a.example", 1, 3, 1000000000}, {"b.example/dir/page.htm", 0, 1, 1000000100}}, key,
        codePage);
    ok &= tb::sitelog::saveBlockedLog(files, dir + "tblB.log",
                                      {{"blocked.example", 1, 0, 1000000200}}, key, codePage);

    tb::settings::SettingsStore store(files, dir + "tbd.dat", codePage);
    store.settings().timezoneName = "(GMT+05:30) Chennai, Kolkata, Mumbai, New Delhi";
    store.settings().categoryStates = {1, 1, 1, 1, 0, 1};
    store.settings().dailyAllowance[2] = 7200;
    ok &= store.writeTimedAccess();
    ok &= store.writeCategories();

    std::printf("samples %s in %s\n", ok ? "written" : "NOT written", argv[1]);
    return ok ? 0 : 1;
}
