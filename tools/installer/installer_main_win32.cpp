// tbinstall.exe: installs the product into this Windows (or Wine prefix):
//   tbinstall --files=DIR --lists=DIR [--files32=DIR] [--timezone=TEXT] [--proxy]
// On 64-bit Windows the 64-bit installer installs the 64-bit build from
// --files and the 32-bit plug-ins and watch hook from --files32.
// Exit codes: 0 installed, 1 failed, 2 refused (an uninstall is pending),
// 3 bad arguments, or arguments that do not fit this Windows.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "common/com_convert.h"
#include "common/registry_win32.h"
#include "service/lists/text_file.h"
#include "service/lists/word_table.h"
#include "service/uninstall/uninstall_steps.h"
#include "service/uninstall/uninstall_win32.h"
#include "tools/installer/install_plan.h"

namespace {

using namespace tb;

std::vector<std::string> filesIn(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

void registerLibrary(const std::string& path) {
    using Register = HRESULT(STDAPICALLTYPE*)();
    HMODULE module = LoadLibraryA(path.c_str());
    if (!module) return;
    auto reg = reinterpret_cast<Register>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    if (reg && FAILED(reg()))
        std::fprintf(stderr, "tbinstall: %s did not register\n", path.c_str());
    FreeLibrary(module);
}

// Runs a program and waits for it; true when it ended with exit code 0.
bool runAndWait(std::string commandLine) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return false;
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code == 0;
}

bool registerService(const std::string& service) {
    return runAndWait("\"" + service + "\" /RegServer");
}

// A 32-bit server is registered by the 32-bit regsvr32, whose writes land in
// the registry view of 32-bit programs.
bool registerLibrary32(const std::string& regsvr32, const std::string& path) {
    return runAndWait("\"" + regsvr32 + "\" /s \"" + path + "\"");
}

// The 32-bit system directory of 64-bit Windows; empty on 32-bit Windows.
std::string wow64Directory() {
    char dir[MAX_PATH] = {};
    const UINT n = GetSystemWow64DirectoryA(dir, MAX_PATH);
    return n > 0 && n < MAX_PATH ? std::string(dir, n) : std::string();
}

bool makeShortcut(const installer::Shortcut& shortcut) {
    Microsoft::WRL::ComPtr<IShellLinkW> link;
    Microsoft::WRL::ComPtr<IPersistFile> file;
    if (FAILED(
            CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&link))))
        return false;
    link->SetPath(toWide(shortcut.target).c_str());
    const std::string dir = shortcut.target.substr(0, shortcut.target.find_last_of('\\'));
    link->SetWorkingDirectory(toWide(dir).c_str());
    if (FAILED(link.As(&file))) return false;
    return SUCCEEDED(file->Save(toWide(shortcut.path).c_str(), TRUE));
}

int install(const installer::Options& options) {
    Win32Registry registry;
    if (installer::uninstallPending(
            registry.readDword(RegRoot::LocalMachine, uninstall::kProductKey, "usingProxy"))) {
        std::fprintf(stderr,
                     "tbinstall: Tamberly is being uninstalled; restart Windows to finish that, "
                     "then install "
                     "again.\n");
        return 2;
    }
    installer::Found found;
    found.systemDir = uninstall::systemDirectory();
    found.wow64Dir = wow64Directory();
    found.files = filesIn(options.filesDir);
    if (options.files32Dir) found.files32 = filesIn(*options.files32Dir);
    found.lists = filesIn(options.listsDir);
    const std::string problem = installer::bitnessProblem(options, found, sizeof(void*) == 8);
    if (!problem.empty()) {
        std::fprintf(stderr, "tbinstall: %s.\n", problem.c_str());
        return 3;
    }
    const installer::Plan plan = installer::planInstall(options, found);
    for (const std::string& dir : plan.directories) CreateDirectoryA(dir.c_str(), nullptr);
    bool ok = true;
    for (const installer::Copy& copy : plan.copies) {
        if (!CopyFileA(copy.from.c_str(), copy.to.c_str(), FALSE)) {
            std::fprintf(stderr, "tbinstall: cannot copy %s to %s\n", copy.from.c_str(),
                         copy.to.c_str());
            ok = false;
        }
    }
    if (!ok) return 1;

    // usingProxy first: registering the service reads it.
    if (!registry.createKey(RegRoot::LocalMachine, uninstall::kProductKey) ||
        !registry.writeDword(RegRoot::LocalMachine, uninstall::kProductKey, "usingProxy",
                             plan.usingProxy)) {
        std::fprintf(stderr, "tbinstall: cannot write the product key\n");
        return 1;
    }
    if (plan.timeZoneFile) std::ofstream(*plan.timeZoneFile, std::ios::binary) << *options.timeZone;
    // The lists are in place: the word file's key comes from them.
    if (GetFileAttributesA(plan.wordFile.c_str()) == INVALID_FILE_ATTRIBUTES &&
        !writeTextFile(plan.wordFile, freshWordFile(plan.productFolder))) {
        std::fprintf(stderr, "tbinstall: cannot write %s\n", plan.wordFile.c_str());
        ok = false;
    }

    for (const std::string& library : plan.libraries) registerLibrary(library);
    for (const std::string& library : plan.libraries32) {
        if (!registerLibrary32(plan.regsvr32, library)) {
            std::fprintf(stderr, "tbinstall: %s did not register\n", library.c_str());
            ok = false;
        }
    }
    if (plan.service && !registerService(*plan.service)) {
        std::fprintf(stderr, "tbinstall: tbserv.exe /RegServer failed\n");
        ok = false;
    }
    registry.createKey(RegRoot::LocalMachine, plan.startKey);
    if (!registry.writeString(RegRoot::LocalMachine, plan.startKey, uninstall::kStartValue,
                              plan.startValue))
        ok = false;
    for (const installer::Shortcut& shortcut : plan.shortcuts) makeShortcut(shortcut);
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const std::optional<installer::Options> options = installer::parseArguments(args, error);
    if (!options) {
        std::fprintf(stderr, "tbinstall: %s\n", error.c_str());
        return 3;
    }
    CoInitialize(nullptr);
    const int result = install(*options);
    CoUninitialize();
    return result;
}
