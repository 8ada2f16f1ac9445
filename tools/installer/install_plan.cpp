#include "tools/installer/install_plan.h"

#include "common/ansi_text.h"
#include "service/lists/word_table.h"
#include "service/uninstall/uninstall_steps.h"

namespace tb::installer {

namespace {

// Files of the system directory, in the order they are registered.
const char* const kSystemFiles[] = {"tbtime.dll", "tbhook.dll", "tbpages.dll",
                                    "tbbar.dll",  "tbhelp.dll", "tbreglib.dll"};
const char* const kProductExtensions[] = {".exe", ".htm", ".txt", ".doc"};
// What 64-bit Windows takes from the 32-bit build: the watch hook for 32-bit
// programs and the plug-ins of the 32-bit browser with their page table,
// into the 32-bit system directory, in the order they are registered; and
// the program that sets that hook, into the product folder.
const char* const kWow64Files[] = {"tbhook.dll", "tbpages.dll", "tbbar.dll", "tbhelp.dll"};
const char* const kWow64Servers[] = {"tbbar.dll", "tbhelp.dll"};
constexpr char kHookCompanion[] = "tbhook32.exe";
constexpr char kDisplayName[] = "Tamberly";
constexpr char kPublisher[] = "Quillmoor";
constexpr char kDisplayVersion[] = "1.0";

bool isSystemFile(const std::string& name) {
    for (const char* f : kSystemFiles) {
        if (lowered(name) == f) return true;
    }
    return false;
}

bool isProductFile(const std::string& name) {
    const std::string lower = lowered(name);
    for (const char* ext : kProductExtensions) {
        if (endsWith(lower, ext)) return true;
    }
    return false;
}

std::string joined(const std::string& dir, const std::string& name) {
    if (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) return dir + name;
    return dir + "\\" + name;
}

const std::string* findFile(const std::vector<std::string>& files, const std::string& name) {
    for (const std::string& f : files) {
        if (lowered(f) == lowered(name)) return &f;
    }
    return nullptr;
}

}  // namespace

std::optional<Options> parseArguments(const std::vector<std::string>& args, std::string& error) {
    Options options;
    for (const std::string& arg : args) {
        if (arg == "--proxy") {
            options.proxyMode = true;
        } else if (startsWith(arg, "--files=")) {
            options.filesDir = arg.substr(8);
        } else if (startsWith(arg, "--files32=")) {
            options.files32Dir = arg.substr(10);
        } else if (startsWith(arg, "--lists=")) {
            options.listsDir = arg.substr(8);
        } else if (startsWith(arg, "--timezone=")) {
            options.timeZone = arg.substr(11);
        } else if (arg == "--computer-timezone") {
            options.computerTimeZone = true;
        } else {
            error = "unknown argument: " + arg;
            return std::nullopt;
        }
    }
    if (options.filesDir.empty() || options.listsDir.empty() ||
        (options.timeZone && options.computerTimeZone)) {
        error =
            "usage: tbinstall --files=DIR --lists=DIR [--files32=DIR] "
            "[--timezone=TEXT | --computer-timezone] [--proxy]";
        return std::nullopt;
    }
    return options;
}

std::string resolvedPath(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    const bool trailing = !path.empty() && (path.back() == '\\' || path.back() == '/');
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\' || path[i] == '/') {
            if (part == "..") {
                if (parts.size() > 1) parts.pop_back();
            } else if (!part.empty() && part != ".") {
                parts.push_back(part);
            }
            part.clear();
        } else {
            part += path[i];
        }
    }
    std::string out;
    for (const std::string& p : parts) out += (out.empty() ? "" : "\\") + p;
    if (trailing || parts.size() == 1) out += "\\";
    return out;
}

Plan planInstall(const Options& options, const Found& found) {
    const std::string& systemDir = found.systemDir;
    const std::vector<std::string>& files = found.files;
    Plan plan;
    plan.productFolder = resolvedPath(uninstall::productFolder(systemDir));
    const std::string programFiles = resolvedPath(plan.productFolder + "..\\");
    const std::string menu = resolvedPath(uninstall::startMenuFolder(systemDir));
    plan.directories = {programFiles, plan.productFolder};

    for (const char* name : kSystemFiles) {
        if (const std::string* found = findFile(files, name)) {
            plan.copies.push_back({joined(options.filesDir, *found), joined(systemDir, name)});
            plan.libraries.push_back(joined(systemDir, name));
        }
    }
    for (const std::string& f : files) {
        if (!isSystemFile(f) && isProductFile(f)) {
            plan.copies.push_back({joined(options.filesDir, f), plan.productFolder + f});
        }
    }
    if (!found.wow64Dir.empty() && options.files32Dir) {
        const std::string& from = *options.files32Dir;
        for (const char* name : kWow64Files) {
            if (const std::string* file = findFile(found.files32, name))
                plan.copies.push_back({joined(from, *file), joined(found.wow64Dir, name)});
        }
        for (const char* name : kWow64Servers) {
            if (findFile(found.files32, name))
                plan.libraries32.push_back(joined(found.wow64Dir, name));
        }
        if (const std::string* file = findFile(found.files32, kHookCompanion))
            plan.copies.push_back({joined(from, *file), plan.productFolder + kHookCompanion});
        plan.regsvr32 = joined(found.wow64Dir, "regsvr32.exe");
    }
    for (const std::string& f : found.lists) {
        if (endsWith(lowered(f), ".dat"))
            plan.copies.push_back({joined(options.listsDir, f), plan.productFolder + f});
    }

    plan.usingProxy = options.proxyMode ? uninstall::kProxyMode : uninstall::kNormal;
    // The computer's zone is only a first choice: over an earlier
    // installation the parent's own choice stays.
    const bool earlier =
        findFile(found.installed, "tbd.dat") || findFile(found.installed, "tbu.dat");
    if (options.timeZone) {
        plan.timeZone = options.timeZone;
    } else if (options.computerTimeZone && !earlier) {
        plan.timeZone = found.computerZone;
    }
    if (plan.timeZone) plan.timeZoneFile = plan.productFolder + "tbhelp.dat";
    plan.wordFile = plan.productFolder + kWordFileName;
    if (findFile(files, "tbserv.exe")) plan.service = plan.productFolder + "tbserv.exe";
    plan.startKey = uninstall::startKey(systemDir);
    plan.startValue = "\"" + plan.productFolder + "tbserv.exe\"";

    if (const std::string* manager = findFile(files, "TAMBERLY.exe")) {
        plan.shortcuts.push_back(
            {joined(menu, uninstall::kProgramShortcut), plan.productFolder + *manager});
    }
    if (const std::string* manager = findFile(files, "TAMBERLY.exe")) {
        const std::string program = plan.productFolder + *manager;
        plan.uninstallEntry.key = uninstall::kUninstallEntryKey;
        plan.uninstallEntry.texts = {{"DisplayName", kDisplayName},
                                     {"DisplayVersion", kDisplayVersion},
                                     {"Publisher", kPublisher},
                                     {"DisplayIcon", program + ",0"},
                                     {"InstallLocation", plan.productFolder},
                                     {"UninstallString", "\"" + program + "\" /uninstall"}};
        plan.uninstallEntry.flags = {"NoModify", "NoRepair"};
    }
    if (const std::string* readme = findFile(files, "Readme.doc")) {
        plan.shortcuts.push_back(
            {joined(menu, uninstall::kReadMeShortcut), plan.productFolder + *readme});
    }
    if (!plan.shortcuts.empty()) {
        plan.directories.push_back(resolvedPath(menu + "\\..\\..\\"));
        plan.directories.push_back(resolvedPath(menu + "\\..\\"));
        plan.directories.push_back(menu);
    }
    return plan;
}

std::string bitnessProblem(const Options& options, const Found& found, bool installerIs64Bit) {
    if (found.wow64Dir.empty()) return {};
    if (!installerIs64Bit)
        return "this is 64-bit Windows, where the service runs 64-bit: run the 64-bit installer";
    if (!options.files32Dir)
        return "64-bit Windows needs the 32-bit plug-ins as well (--files32=DIR): the browser "
               "loads its plug-ins 32-bit";
    for (const char* name : kWow64Files) {
        if (!findFile(found.files32, name)) return std::string("the 32-bit folder lacks ") + name;
    }
    if (!findFile(found.files32, kHookCompanion))
        return std::string("the 32-bit folder lacks ") + kHookCompanion;
    return {};
}

std::optional<std::string> computerZoneDisplay(const std::vector<ZoneEntry>& zones,
                                               const std::string& keyName,
                                               const std::string& standardName) {
    if (!keyName.empty()) {
        for (const ZoneEntry& zone : zones) {
            if (lowered(zone.key) == lowered(keyName) && !zone.display.empty()) return zone.display;
        }
    }
    if (!standardName.empty()) {
        for (const ZoneEntry& zone : zones) {
            if (zone.standardName == standardName && !zone.display.empty()) return zone.display;
        }
    }
    return std::nullopt;
}

bool uninstallPending(std::optional<uint32_t> usingProxy) {
    return usingProxy &&
           (*usingProxy == uninstall::kPending || *usingProxy == uninstall::kPendingProxy);
}

}  // namespace tb::installer
