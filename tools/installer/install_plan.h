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
    std::string listsDir;  // list C, the category lists and word files: every .dat file
    std::optional<std::string> timeZone;  // the time-zone text handed over in "tbhelp.dat"
    bool proxyMode = false;
};

// From the arguments --files=DIR --lists=DIR [--timezone=TEXT] [--proxy];
// nullopt with a message in error for anything else.
std::optional<Options> parseArguments(const std::vector<std::string>& args, std::string& error);

struct Copy {
    std::string from;
    std::string to;
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
    std::optional<std::string> timeZoneFile;  // the path of "tbhelp.dat"
    std::vector<std::string> libraries;       // their DllRegisterServer, in order
    std::optional<std::string> service;       // tbserv.exe, run with /RegServer
    std::string startKey;                     // Run or RunServices under HKLM
    std::string startValue;                   // tbservexe: the service's path, quoted
    std::vector<Shortcut> shortcuts;
};

// systemDir as GetSystemDirectory gives it; files and lists are the names
// found in the two directories.
Plan planInstall(const Options& options, const std::string& systemDir,
                 const std::vector<std::string>& files, const std::vector<std::string>& lists);

// An uninstall is pending (usingProxy 2 or 3): installing now would be
// undone by its second step at the next start.
bool uninstallPending(std::optional<uint32_t> usingProxy);

// "C:\a\b\..\..\c\" -> "C:\c\": ".." and "." resolved, separators kept.
std::string resolvedPath(const std::string& path);

}  // namespace tb::installer
