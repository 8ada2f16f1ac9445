// Starts Internet Explorer on a page, found through its setup key.
#pragma once

#include <string>

namespace tb::update {

// False when no directory is known or it cannot be entered, or the program
// does not start. The current directory is the same afterwards.
bool openPageInInternetExplorer(const std::string& address);

}  // namespace tb::update
