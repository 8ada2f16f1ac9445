// Import files: a text file of addresses, one a line, that the parent
// imports into the block list. The first line must start with "http://".
#pragma once

#include <string>
#include <vector>

#include "service/lists/text_file.h"

namespace tb {

inline constexpr char kImportErrorTitle[] = "Import Error";
inline constexpr char kImportErrorText[] =
    "Imported files should have one URL on each line and the first URL should start with "
    "\"http://\".   "
    "Please reformat your file and try again.";

struct ImportFile {
    bool wellFormed = false;             // the first line starts with "http://"
    std::vector<std::string> addresses;  // the lines to add, in file order
};

// Reads the file from its start. Lines are cut to 259 characters and lose
// their line end; empty lines and lines that name the vendor's domain are
// left out. A malformed file yields no addresses.
ImportFile readImportFile(TextFile& file);

}  // namespace tb
