// A look at a compound file's own bookkeeping before the system's storage
// code opens it: the header, the allocation table and every chain of
// sectors (directory, mini allocation table, each stream) must lie inside
// the file and end. A file cut short or overwritten fails here; some
// storage implementations (Wine's among them) follow such a file's broken
// chains for ever instead of failing.
#pragma once

#include <cstdint>
#include <vector>

namespace tb::storage {

bool compoundFileLooksWhole(const std::vector<uint8_t>& file);

}  // namespace tb::storage
