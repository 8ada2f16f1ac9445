// The look at a compound file's bookkeeping on arbitrary bytes: it always
// ends, and never reads outside the bytes.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "service/storage/compound_file_check.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tb::storage::compoundFileLooksWhole(std::vector<uint8_t>(data, data + size));
    return 0;
}
