// The import-file reader over arbitrary bytes: every address it gives is a
// cut line without line end, and none names the vendor's domain.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "common/vendor_endpoints.h"
#include "service/lists/import_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 64 * 1024) return 0;
    auto file = tb::TextFile::adopt(std::tmpfile());
    if (!file) return 0;
    file->write(std::string(reinterpret_cast<const char*>(data), size));
    file->flush();
    const tb::ImportFile import = tb::readImportFile(*file);
    if (!import.wellFormed && !import.addresses.empty()) __builtin_trap();
    for (const std::string& a : import.addresses) {
        if (a.empty() || a.size() > 259 || a.find('\n') != std::string::npos) __builtin_trap();
        if (a.find(tb::vendor::kDomain) != std::string::npos) __builtin_trap();
    }
    return 0;
}
