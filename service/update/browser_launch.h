// Opening a page in Internet Explorer: the browser's directory from its
// setup key, then "Iexplore.exe <address>" started in that directory.
#pragma once

#include <string>

#include "common/registry.h"

namespace tb::update {

inline constexpr char kIeSetupKey[] = "SOFTWARE\\Microsoft\\IE Setup\\SETUP";
inline constexpr char kIe4SetupKey[] = "SOFTWARE\\Microsoft\\IE4\\SETUP";

// The Path value of the IE Setup key, else of the IE4 key; empty when
// neither has one. At most 259 characters, as the value is read into 260
// bytes.
std::string internetExplorerDirectory(Registry& registry);

std::string internetExplorerCommandLine(const std::string& address);

}  // namespace tb::update
