// The address normal form shared by the service and the Manager.
#pragma once

#include <string>
#include <string_view>

namespace tb {

// Lower-cases the address and cuts off every scheme prefix together with
// everything before it: http://a.example/go?to=http://b.example gives
// b.example. An unknown scheme loses only what precedes its "//": gopher://x
// gives /x.
std::string stripScheme(std::string_view address);

// False for a drive path (second character ':') and for a network path
// (leading "//"); true for everything else.
bool isWebAddress(std::string_view address);

}  // namespace tb
