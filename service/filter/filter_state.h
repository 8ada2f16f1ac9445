// The service state that the filter decision reads: the flags, the working
// list key, the block pages and the category switches. The service core
// owns it; loading and the settings fill it.
#pragma once

#include <string>

#include "common/list_encoding.h"
#include "common/vendor_endpoints.h"
#include "service/filter/block_pages.h"
#include "service/lists/word_table.h"

namespace tb {

struct FilterState {
    std::string directory;      // the service directory, with its trailing separator
    bool ready = false;         // the lists (and settings) are loaded
    bool listsCorrupt = false;  // the word check failed; nothing is saved
    // The list key does not fit the parent's data (settings/list_key_check.h):
    // the lists stay not ready and nothing encoded with the key is written.
    bool keyMismatch = false;
    std::string listKey = kDefaultListKey;
    BlockPages pages;
    CategoryStates categoryStates{1, 1, 1, 1, 1, 1};
    std::string updatePage = vendor::kUpdatePage;
    std::string updateErrorPage = vendor::kUpdateErrorPage;
};

}  // namespace tb
