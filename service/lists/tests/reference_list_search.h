// The list search as a plain reading of the file, line by line: the
// reference that the in-memory index must agree with, case for case.
#pragma once

#include <string>

#include "service/lists/list_file.h"
#include "service/lists/text_file.h"

namespace tb::testing {

// Reads the header from the start of the file.
ListIndex referenceIndexHeader(TextFile& file);

// Looks the encoded address up in the file: with an index, in its section
// (the header is read again first); without, from the start of the file up
// to the plain lists' stop. On a match the address is left cut at the
// matching prefix and the result is true.
bool referenceSearch(TextFile& file, ListIndex* index, std::string& url);

}  // namespace tb::testing
