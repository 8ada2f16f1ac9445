// The browser helper's page text on arbitrary documents: the address and
// pieces (title, meta texts; an empty piece stands for one the document
// lacks) come from the input split at NULs. The text is bounded, and the
// part sent never longer than the bound.
#include <cstddef>
#include <cstdint>
#include <string>

#include "browser_helper/content_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    tb::helper::DocumentText document;
    size_t start = 0;
    for (bool first = true;; first = false) {
        const size_t end = input.find('\0', start);
        const std::string piece = input.substr(start, end - start);
        if (first) {
            document.url = piece;
        } else if (piece.empty()) {
            document.pieces.push_back(std::nullopt);
        } else {
            document.pieces.push_back(piece);
        }
        if (end == std::string::npos) break;
        start = end + 1;
    }
    const std::string text = tb::helper::buildContentText(document);
    if (text.size() > document.url.size() + 1 + tb::helper::kContentBound + document.pieces.size())
        __builtin_trap();
    if (tb::helper::contentToSend(text).size() > tb::helper::kContentSent) __builtin_trap();
    return 0;
}
