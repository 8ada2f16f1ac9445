#include "service/lists/import_file.h"

#include "common/ansi_text.h"
#include "common/vendor_endpoints.h"
#include "service/lists/word_table.h"

namespace tb {

ImportFile readImportFile(TextFile& file) {
    ImportFile out;
    file.seek(0);
    std::string line;
    bool first = true;
    while (readWordLine(file, line)) {
        if (first) {
            first = false;
            if (!startsWith(line, "http://")) return out;
            out.wellFormed = true;
        }
        // A file written on another system may end its lines in a lone CR.
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || contains(line, vendor::kDomain)) continue;
        out.addresses.push_back(line);
    }
    return out;
}

}  // namespace tb
