// The command line of tbserv: "RegServer" and "UnregServer" after "-" or
// "/", in any case. Each switch is compared with the whole rest of the
// command line behind it (blanks at the very end aside), so only a switch
// that ends the line counts.
#pragma once

#include <string_view>

namespace tb {

enum class ServiceCommand { Run, RegServer, UnregServer };

ServiceCommand parseCommandLine(std::string_view commandLine);

}  // namespace tb
