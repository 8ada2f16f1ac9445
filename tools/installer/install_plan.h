// The installer's rules: which file goes where, what it writes to the
// registry, what it registers, and when it refuses. The Windows side
// (installer_main_win32.cpp) carries the plan out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tb::installer {

struct Options {
    std::string filesDir;  // the built programs and libraries, and the product's pages and texts
    // The 32-bit build, for 64-bit Windows: the plug-ins that the 32-bit
    // browser loads, the 32-bit watch hook and its companion program.
    std::optional<std::string> files32Dir;
    std::string listsDir;  // list C, the category lists and word files: every .dat file
    std::optional<std::string> timeZone;  // the time-zone text handed over in "tbhelp.dat"
    // Hand over the computer's own time zone instead, on a first install.
    bool computerTimeZone = false;
    bool proxyMode = false;
};

// From the arguments --files=DIR --lists=DIR [--files32=DIR]
// [--timezone=TEXT | --computer-timezone] [--proxy];
// nullopt with a message in error for anything else.
std::optional<Options> parseArguments(const std::vector<std::string>& args, std::string& error);

struct Copy {
    std::string from;
    std::string to;
};

struct RegistryText {
    std::string name;
    std::string text;
};

// The Add/Remove Programs entry: its uninstall command is the Manager's
// /uninstall, which asks the service for its password-guarded uninstall.
struct UninstallEntry {
    std::string key;
    std::vector<RegistryText> texts;
    std::vector<std::string> flags;  // DWORD values set to 1
};

struct Shortcut {
    std::string path;    // the .lnk file
    std::string target;  // what it opens
};

struct Plan {
    std::vector<std::string> directories;  // created first, in order
    std::vector<Copy> copies;
    std::string productFolder;  // with its trailing backslash
    uint32_t usingProxy = 0;
    std::optional<std::string> timeZone;      // the text handed over, if any
    std::optional<std::string> timeZoneFile;  // the path of "tbhelp.dat"
    // tbu.dat, written with "no password set" where the folder has none: an
    // earlier installation's keeps the parent's password and words.
    std::string wordFile;
    std::vector<std::string> libraries;       // their DllRegisterServer, in order
    // 64-bit Windows: the 32-bit servers, registered by the 32-bit regsvr32
    // so that they land in the 32-bit view of the registry.
    std::vector<std::string> libraries32;
    std::string regsvr32;                     // the 32-bit regsvr32.exe
    std::optional<std::string> service;       // tbserv.exe, run with /RegServer
    std::string startKey;                     // Run or RunServices under HKLM
    std::string startValue;                   // tbservexe: the service's path, quoted
    std::vector<Shortcut> shortcuts;
    UninstallEntry uninstallEntry;
};

// What the installer found on the machine and in its folders: the system
// directory as GetSystemDirectory gives it, the 32-bit one of 64-bit Windows
// (GetSystemWow64Directory; empty on 32-bit Windows), and the names of the
// files in each of the folders of Options.
struct Found {
    std::string systemDir;
    std::string wow64Dir;
    std::vector<std::string> files;
    std::vector<std::string> files32;
    std::vector<std::string> lists;
    // What the product folder already holds: an earlier installation.
    std::vector<std::string> installed;
    // The display text of the computer's time zone (computerZoneDisplay).
    std::optional<std::string> computerZone;
};

Plan planInstall(const Options& options, const Found& found);

// One entry of the system's time-zone table (the Time Zones key): its key
// name, its standard-time name ("Std") and its display text ("Display").
struct ZoneEntry {
    std::string key;
    std::string standardName;
    std::string display;
};

// The display text of the computer's zone, found by its key name (Windows
// Vista on) or else by its standard-time name, as the Manager lists it;
// nullopt when neither is in the table.
std::optional<std::string> computerZoneDisplay(const std::vector<ZoneEntry>& zones,
                                               const std::string& keyName,
                                               const std::string& standardName);

// 64-bit Windows needs the 32-bit build beside the 64-bit one: the browser
// loads its plug-ins 32-bit. Empty when the options fit the machine, else
// why they do not.
std::string bitnessProblem(const Options& options, const Found& found, bool installerIs64Bit);

// An uninstall is pending (usingProxy 2 or 3): installing now would be
// undone by its second step at the next start.
bool uninstallPending(std::optional<uint32_t> usingProxy);

// "C:\a\b\..\..\c\" -> "C:\c\": ".." and "." resolved, separators kept.
std::string resolvedPath(const std::string& path);

}  // namespace tb::installer
