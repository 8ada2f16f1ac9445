// Uninstall in two steps across a restart of Windows. Step one unregisters
// the components, marks the uninstall as pending in usingProxy (2, or 3 in
// proxy mode) and restarts; step two runs at the next start of the service
// instead of loading the lists: it puts the proxy settings back first (so the
// browser never points at a proxy that is gone), removes the files and the
// registry entries, and ends the service.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/registry.h"

namespace tb::uninstall {

inline constexpr char kProductKey[] = "Software\\Quillmoor\\TamberlyIE";
inline constexpr char kPublisherKey[] = "Software\\Quillmoor";
inline constexpr char kRunKey[] = "software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char kRunServicesKey[] =
    "software\\Microsoft\\Windows\\CurrentVersion\\RunServices";
inline constexpr char kLegacyPasswordKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\eic2";
inline constexpr char kHelperObjectsKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
inline constexpr char kStartValue[] = "tbservexe";
// The Add/Remove Programs entry written by the setup package; its uninstall
// command starts this two-step uninstall through the Manager.
inline constexpr char kUninstallEntryKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tamberly";
inline constexpr char kOldProxyStartValue[] = "tbProxy";
inline constexpr char kProgramShortcut[] = "Tamberly.lnk";
inline constexpr char kReadMeShortcut[] = "ReadMe.lnk";

// The installation modes kept in usingProxy.
enum Mode : uint32_t { kNormal = 0, kProxyMode = 1, kPending = 2, kPendingProxy = 3 };

// Files of the system directory (of each bitness) and of the product
// folder, in the order they are removed. The service's own program file is
// not among them.
std::vector<std::string> systemFiles();
std::vector<std::string> productFiles();

// Paths built from the system directory S: S\name, the product folder
// S\..\..\Program Files\Tamberly\ and the Start-menu folder
// S\..\start menu\programs\tamberly.
std::string productFolder(const std::string& systemDir);
std::string startMenuFolder(const std::string& systemDir);
std::vector<std::string> fileTable(const std::string& systemDir);

// The start entries live under Run on the NT family (its system directory
// ends in "2": system32) and under RunServices otherwise.
bool isNtFamily(const std::string& systemDir);
std::string startKey(const std::string& systemDir);

// The 32-bit side of 64-bit Windows, where the 32-bit browser's plug-ins
// and watch hook are installed: the 32-bit system directory and the
// registry view of 32-bit programs.
struct Wow64Side {
    std::string systemDir;
    Registry& registry;
};

// What the steps need of the machine besides the registry.
class UninstallSystem {
  public:
    virtual ~UninstallSystem() = default;
    // Step one.
    virtual void unregisterLibrary(const std::string& path) = 0;  // its DllUnregisterServer, if any
    // The same for a 32-bit library on 64-bit Windows, by a 32-bit process.
    virtual void unregisterLibrary32(const std::string& path) = 0;
    virtual void unregisterService() = 0;        // script 100, the object map and the type library
    virtual bool enableShutdownPrivilege() = 0;  // true where there are no tokens
    virtual void restartWindows() = 0;
    // Step two.
    virtual void restoreProxySettings() = 0;  // tbreglib's two exports
    virtual void deleteFile(const std::string& path) = 0;
    virtual void removeDirectory(const std::string& path) = 0;
    virtual void endService() = 0;  // WM_QUIT to the service's main thread
};

// usingProxyAtStart is the value read when the service started. wow64 is
// null on 32-bit Windows.
void uninstallStepOne(const std::string& systemDir, uint32_t usingProxyAtStart, Registry& registry,
                      UninstallSystem& system, const Wow64Side* wow64 = nullptr);

void uninstallStepTwo(const std::string& systemDir, uint32_t usingProxy, Registry& registry,
                      UninstallSystem& system, const Wow64Side* wow64 = nullptr);

}  // namespace tb::uninstall
