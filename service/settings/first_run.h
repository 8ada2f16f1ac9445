// The time zone chosen during installation: the installer leaves its text
// in "tbhelp.dat" in the service's directory; the first service to start
// takes it over into the "TA" stream and removes the installer's files.
#pragma once

#include <string>

#include "service/settings/settings_store.h"

namespace tb::settings {

inline constexpr char kInstallerTimezoneFile[] = "tbhelp.dat";
inline constexpr char kInstallerHelperProgram[] = "tbhelpinstall.exe";

// `directory` is the service's directory with its trailing separator. When
// "tbhelp.dat" exists: up to 199 bytes of it become timezoneName (the line
// end that ends the text is not part of it), "TA" is loaded first and
// written afterwards, the offset goes to the time component; then
// "tbhelp.dat" and "tbhelpinstall.exe" are deleted. Returns true when a
// time zone was taken over.
bool takeOverInstallerTimezone(const std::string& directory, SettingsStore& store);

}  // namespace tb::settings
