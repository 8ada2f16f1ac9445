// The pages a blocked navigation is sent to: the local block pages in the
// service's directory, and the vendor's remote restricted page that stands
// in for a local page that is missing.
#pragma once

#include <string>

#include "common/vendor_endpoints.h"

namespace tb {

struct BlockPages {
    std::string lists;  // restricted1.htm: a list or category blocked the address
    std::string time;   // restricted2.htm
    std::string words;  // restricted3.htm: a blocked word
    std::string zero;   // restricted0.htm: the local error page, never replaced
    std::string remote = vendor::kRemoteRestrictedPage;

    // The local pages of a directory given with its trailing separator.
    static BlockPages inDirectory(const std::string& directory) {
        BlockPages p;
        p.lists = directory + "restricted1.htm";
        p.time = directory + "restricted2.htm";
        p.words = directory + "restricted3.htm";
        p.zero = directory + "restricted0.htm";
        return p;
    }
};

}  // namespace tb
