// The service's registry values, all under HKEY_LOCAL_MACHINE.
#pragma once

namespace tb::settings {

inline constexpr char kProductKey[] = "Software\\Quillmoor\\TamberlyIE";
inline constexpr char kUsingProxyValue[] = "usingProxy";
inline constexpr char kUpdateTimeValue[] = "updateTime";

// The password's copy (default value), encoded under the default list key.
inline constexpr char kPasswordKey[] = "Software\\Quillmoor\\TamberlyIE\\eic2";
// Where older installations kept it in plain text; moved on first load.
inline constexpr char kLegacyPasswordKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\eic2";

}  // namespace tb::settings
