// tbinstall.exe: installs the product into this Windows (or Wine prefix):
//   tbinstall --files=DIR --lists=DIR [--files32=DIR]
//             [--timezone=TEXT | --computer-timezone] [--proxy]
// On 64-bit Windows the 64-bit installer installs the 64-bit build from
// --files and the 32-bit plug-ins and watch hook from --files32.
// Exit codes: 0 installed, 1 failed, 2 refused (an uninstall is pending),
// 3 bad arguments, or arguments that do not fit this Windows, 3010
// installed, but files that were in use take effect when Windows restarts.
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <cstdio>
#include <cwchar>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/com_convert.h"
#include "common/com_holders.h"
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

// The computer's time zone as the Manager lists it: its entry of the
// system's zone table, found by key name where Windows gives one.
std::optional<std::string> computerZone(Registry& registry) {
    constexpr char kZones[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Time Zones";
    std::vector<installer::ZoneEntry> zones;
    for (const std::string& key : registry.subkeys(RegRoot::LocalMachine, kZones)) {
        const std::string path = std::string(kZones) + "\\" + key;
        zones.push_back({key, registry.readString(RegRoot::LocalMachine, path, "Std").value_or(""),
                         registry.readString(RegRoot::LocalMachine, path, "Display").value_or("")});
    }
    TIME_ZONE_INFORMATION zone{};
    GetTimeZoneInformation(&zone);
    std::string keyName;
    using GetDynamic = DWORD(WINAPI*)(PDYNAMIC_TIME_ZONE_INFORMATION);
    // Windows Vista on; before it the standard-time name identifies the zone.
    if (auto get = reinterpret_cast<GetDynamic>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetDynamicTimeZoneInformation")))) {
        DYNAMIC_TIME_ZONE_INFORMATION dynamic{};
        if (get(&dynamic) != TIME_ZONE_ID_INVALID)
            keyName = toAnsi(dynamic.TimeZoneKeyName, wcsnlen(dynamic.TimeZoneKeyName, 128));
    }
    return installer::computerZoneDisplay(
        zones, keyName, toAnsi(zone.StandardName, wcsnlen(zone.StandardName, 32)));
}

// Puts one file in place. A program or library in use (the service, or a
// plug-in loaded by the browser) cannot be overwritten but can be renamed:
// it moves aside and goes at the next restart, and the new file takes its
// name. A list the running service holds open (shared for reading and
// writing, not for deleting) is rewritten in place; the service notices the
// change and reads it again.
enum class Placed { Copied, AtRestart, Failed };

Placed placeFile(const std::string& from, const std::string& to) {
    if (CopyFileA(from.c_str(), to.c_str(), FALSE)) return Placed::Copied;
    const DWORD error = GetLastError();
    if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED &&
        error != ERROR_LOCK_VIOLATION)
        return Placed::Failed;
    for (int n = 1; n < 100; ++n) {
        const std::string aside = to + "." + std::to_string(n) + ".old";
        if (MoveFileExA(to.c_str(), aside.c_str(), 0)) {
            MoveFileExA(aside.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
            if (CopyFileA(from.c_str(), to.c_str(), FALSE)) return Placed::AtRestart;
            MoveFileExA(aside.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING);  // put it back
            return Placed::Failed;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS) break;
    }
    std::ifstream in(from, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in && !in.eof()) return Placed::Failed;
    ScopedHandle file(CreateFileA(to.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.valid()) return Placed::Failed;
    DWORD written = 0;
    const bool whole =
        WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
        written == bytes.size() && SetEndOfFile(file.get());
    return whole ? Placed::Copied : Placed::Failed;
}

bool writeUninstallEntry(Registry& registry, const installer::UninstallEntry& entry) {
    if (entry.key.empty()) return true;
    if (!registry.createKey(RegRoot::LocalMachine, entry.key)) return false;
    bool ok = true;
    for (const installer::RegistryText& value : entry.texts)
        ok &= registry.writeString(RegRoot::LocalMachine, entry.key, value.name, value.text);
    for (const std::string& flag : entry.flags)
        ok &= registry.writeDword(RegRoot::LocalMachine, entry.key, flag, 1);
    return ok;
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
    found.installed = filesIn(installer::resolvedPath(uninstall::productFolder(found.systemDir)));
    if (options.computerTimeZone) found.computerZone = computerZone(registry);
    const std::string problem = installer::bitnessProblem(options, found, sizeof(void*) == 8);
    if (!problem.empty()) {
        std::fprintf(stderr, "tbinstall: %s.\n", problem.c_str());
        return 3;
    }
    const installer::Plan plan = installer::planInstall(options, found);
    for (const std::string& dir : plan.directories) CreateDirectoryA(dir.c_str(), nullptr);
    bool ok = true;
    bool atRestart = false;
    for (const installer::Copy& copy : plan.copies) {
        const Placed placed = placeFile(copy.from, copy.to);
        if (placed == Placed::AtRestart) {
            std::fprintf(stderr,
                         "tbinstall: %s is in use: the new one takes over when Windows restarts\n",
                         copy.to.c_str());
            atRestart = true;
        }
        if (placed == Placed::Failed) {
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
    if (plan.timeZoneFile) std::ofstream(*plan.timeZoneFile, std::ios::binary) << *plan.timeZone;
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
    if (!writeUninstallEntry(registry, plan.uninstallEntry)) {
        std::fprintf(stderr, "tbinstall: cannot write the Add/Remove Programs entry\n");
        ok = false;
    }
    if (!ok) return 1;
    return atRestart ? 3010 : 0;  // ERROR_SUCCESS_REBOOT_REQUIRED
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
