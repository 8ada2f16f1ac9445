// Shows every page of the Manager, one after the other, for screenshots:
// for each view it writes <dir>\<name>.ready with the window's rectangle
// and waits until the capturing script has removed the file.
//   manager_screens.exe <dir>
#include <windows.h>
#include <prsht.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "manager/tests/manager_driver.h"

using namespace tb::test;

namespace {

std::string directory;

bool capture(const std::string& name, HWND window) {
    Sleep(700);  // let the window paint
    RECT r{};
    GetWindowRect(window, &r);
    const std::string ready = directory + "\\" + name + ".ready";
    {
        std::ofstream out(ready, std::ios::binary);
        out << (r.right - r.left) << "x" << (r.bottom - r.top) << "+" << r.left << "+" << r.top
            << "\n";
    }
    return waitFor([&] { return GetFileAttributesA(ready.c_str()) == INVALID_FILE_ATTRIBUTES; },
                   30000);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    directory = argv[1];
    FakeService service({"filter=1",
                         "timed=1",
                         "timezone=(UTC-08:00) Pacific",
                         "category.5=0",
                         "category.2=0",
                         "visited=976290300 www.kids.example/games/",
                         "visited=976293900 homework.example/maths.html",
                         "visited=976297500 www.news.example/",
                         "blocked=976290000 casino.example/",
                         "blocked=976291000 www.bad.example/page.html",
                         "blocklist=casino.example/",
                         "blocklist=www.bad.example/",
                         "allowlist=www.school.example/",
                         "word=gamble",
                         "word=poker",
                         "hours.0=000000001111111111110000",
                         "hours.6=000000001111111111110000",
                         "hours.1=000000011111111111000000",
                         "hours.3=000000011100001111100000",
                         "total.0=4",
                         "total.6=4",
                         "total.1=2"});
    if (!service.running()) return 3;
    ManagerProcess manager;
    if (!manager.start()) return 4;
    HWND password = manager.waitForWindow("Tamberly Password Verification");
    if (!password) return 5;
    setText(password, 1022, "secret");
    capture("password", password);
    postClick(password, IDOK);
    HWND sheet = manager.waitForWindow("Tamberly Manager");
    if (!sheet) return 6;
    SetWindowPos(sheet, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
    const char* names[] = {"admin",       "categories", "time",  "block-sites",
                           "allow-sites", "words",      "update"};
    for (int i = 0; i < 7; ++i) {
        HWND page = selectPage(sheet, i);
        if (i == 3) setText(page, 1014, "www.kids.example/games/");
        capture(std::to_string(i + 1) + "-" + names[i], sheet);
    }
    PostMessageA(sheet, WM_COMMAND, IDCANCEL, 0);
    manager.waitForExit();
    return 0;
}
