#include "service/uninstall/uninstall_steps.h"

namespace tb::uninstall {

namespace {

const char* const kHelperObjectClasses[] = {"{00000000-E5DA-11d2-8BDD-0000C0301BE5}",
                                            "{AEF74060-ECDE-11d2-8BDD-0000C0301BE5}"};
const char* const kUnregisteredLibraries[] = {"tbhelp.dll", "tbbar.dll", "lnchtbbar.dll"};

std::string joined(const std::string& dir, const std::string& name) {
    if (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) return dir + name;
    return dir + "\\" + name;
}

}  // namespace

std::vector<std::string> systemFiles() {
    return {"tbbar.dll",     "tbpages.dll", "tbproxy.exe", "orvanhook.dll", "tbreglib.dll",
            "lnchtbbar.dll", "tbhelp.dll",  "tbtime.dll",  "tbhook.dll"};
}

std::vector<std::string> productFiles() {
    std::vector<std::string> files{"tbi.dat",           "tbin.dat",         "tbf.dat",
                                   "TAMBERLY.exe",      "license.txt",      "Restricted1.htm",
                                   "Restricted2.htm",   "Restricted3.htm",  "tbURLBlocked.txt",
                                   "tbWordBlocked.txt", "TBHelpInstall.exe", "tbhook32.exe"};
    for (char c = 'A'; c <= 'I'; ++c) files.push_back(std::string("TBin") + c + ".dat");
    for (char c = 'D'; c <= 'I'; ++c) files.push_back(std::string("tbf") + c + ".dat");
    for (const char* f : {"tbd.dat", "tbu.dat", "tbl.log", "tblB.log", "Readme.doc"})
        files.push_back(f);
    return files;
}

std::string productFolder(const std::string& systemDir) {
    return joined(systemDir, "..\\..\\Program Files\\Tamberly\\");
}

std::string startMenuFolder(const std::string& systemDir) {
    return joined(systemDir, "..\\start menu\\programs\\tamberly");
}

std::vector<std::string> fileTable(const std::string& systemDir) {
    std::vector<std::string> paths;
    for (const std::string& f : systemFiles()) paths.push_back(joined(systemDir, f));
    const std::string product = productFolder(systemDir);
    for (const std::string& f : productFiles()) paths.push_back(product + f);
    return paths;
}

bool isNtFamily(const std::string& systemDir) {
    std::string dir = systemDir;
    while (!dir.empty() && (dir.back() == '\\' || dir.back() == '/')) dir.pop_back();
    return !dir.empty() && dir.back() == '2';
}

std::string startKey(const std::string& systemDir) {
    return isNtFamily(systemDir) ? kRunKey : kRunServicesKey;
}

void uninstallStepOne(const std::string& systemDir, uint32_t usingProxyAtStart, Registry& registry,
                      UninstallSystem& system, const Wow64Side* wow64) {
    for (const char* library : kUnregisteredLibraries)
        system.unregisterLibrary(joined(systemDir, library));
    if (wow64) {
        for (const char* library : kUnregisteredLibraries)
            system.unregisterLibrary32(joined(wow64->systemDir, library));
    }
    system.unregisterService();

    const bool proxyMode = usingProxyAtStart == kProxyMode;
    registry.createKey(RegRoot::LocalMachine, kProductKey);
    registry.writeDword(RegRoot::LocalMachine, kProductKey, "usingProxy",
                        proxyMode ? kPendingProxy : kPending);
    if (proxyMode)
        registry.deleteValue(RegRoot::LocalMachine, startKey(systemDir), kOldProxyStartValue);

    if (!system.enableShutdownPrivilege()) return;  // step two still runs at the next start
    system.restartWindows();
}

void uninstallStepTwo(const std::string& systemDir, uint32_t usingProxy, Registry& registry,
                      UninstallSystem& system, const Wow64Side* wow64) {
    const bool proxyMode = usingProxy == kPendingProxy;
    // Before anything is removed: the browser must not be left pointing at
    // a proxy that will not run again.
    if (proxyMode) system.restoreProxySettings();

    for (const std::string& path : fileTable(systemDir)) system.deleteFile(path);
    if (wow64) {
        for (const std::string& f : systemFiles()) system.deleteFile(joined(wow64->systemDir, f));
    }
    const std::string menu = startMenuFolder(systemDir);
    system.deleteFile(joined(menu, kProgramShortcut));
    system.deleteFile(joined(menu, kReadMeShortcut));
    system.removeDirectory(menu);

    const std::string run = startKey(systemDir);
    const std::optional<std::string> start =
        registry.readString(RegRoot::LocalMachine, run, kStartValue);
    registry.deleteValue(RegRoot::LocalMachine, run, kStartValue);
    if (proxyMode && start && registry.createKey(RegRoot::LocalMachine, kRunKey)) {
        registry.writeString(RegRoot::LocalMachine, kRunKey, kStartValue, *start);
    }

    registry.deleteKey(RegRoot::LocalMachine, kLegacyPasswordKey);
    registry.deleteValue(RegRoot::LocalMachine, kProductKey, "updateTime");
    registry.deleteValue(RegRoot::LocalMachine, kProductKey, "usingProxy");
    registry.deleteValue(RegRoot::LocalMachine, kProductKey, "ListKeyCheck");
    registry.deleteKey(RegRoot::LocalMachine, std::string(kProductKey) + "\\eic2");
    registry.deleteKey(RegRoot::LocalMachine, kProductKey);
    registry.deleteKey(RegRoot::LocalMachine, kPublisherKey);
    registry.deleteKey(RegRoot::LocalMachine, kUninstallEntryKey);
    for (const char* clsid : kHelperObjectClasses) {
        const std::string key = std::string(kHelperObjectsKey) + "\\" + clsid;
        registry.deleteKey(RegRoot::LocalMachine, key);
        if (wow64) wow64->registry.deleteKey(RegRoot::LocalMachine, key);
    }
    system.endService();
}

}  // namespace tb::uninstall
