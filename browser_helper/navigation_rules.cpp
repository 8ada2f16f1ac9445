#include "browser_helper/navigation_rules.h"

#include "common/vendor_endpoints.h"

namespace tb::helper {

bool isWebNavigation(std::string_view url) {
    for (std::string_view scheme : {"http://", "https://", "ftp://"}) {
        if (url.find(scheme) != std::string_view::npos) return true;
    }
    return false;
}

bool isVendorAddress(std::string_view url) {
    return url.find(vendor::kDomain) != std::string_view::npos;
}

}  // namespace tb::helper
