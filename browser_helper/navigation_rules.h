// The helper's tests on a navigation's address.
#pragma once

#include <string_view>

namespace tb::helper {

// A web address holds "http://", "https://" or "ftp://" anywhere in it
// (case-sensitive): a file address whose query names a web page counts too.
bool isWebNavigation(std::string_view url);

// The address lies on the vendor's web site (its domain anywhere in it).
bool isVendorAddress(std::string_view url);

}  // namespace tb::helper
