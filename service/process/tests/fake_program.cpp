// Stands in for a program the service starts (the Manager, Internet
// Explorer): appends "<current directory>|<command line>" to started.log
// beside its own file, and exits.
#include <windows.h>

#include <cstdio>
#include <string>

int main() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string log(path);
    log = log.substr(0, log.find_last_of('\\') + 1) + "started.log";
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    if (FILE* f = std::fopen(log.c_str(), "ab")) {
        std::fprintf(f, "%s|%s\n", cwd, GetCommandLineA());
        std::fclose(f);
    }
    return 0;
}
