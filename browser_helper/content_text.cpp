#include "browser_helper/content_text.h"

namespace tb::helper {

std::string buildContentText(const DocumentText& document) {
    std::string text = document.url;
    text += ' ';
    for (const std::optional<std::string>& piece : document.pieces) {
        if (!piece) continue;
        if (text.size() + piece->size() < kContentBound) text += *piece;
        text += ' ';
    }
    return text;
}

std::string contentToSend(const std::string& text) {
    return text.substr(0, kContentSent);
}

void ContentMark::reset() {
    url_.clear();
    length_ = 0;
}

bool ContentMark::admit(const std::string& documentUrl, size_t length) {
    if (documentUrl != url_) {
        url_ = documentUrl;
        length_ = 0;
    }
    // Texts are far below 2^31 characters in practice; clamp anyway.
    const int32_t size = length > 0x7fffffff ? 0x7fffffff : static_cast<int32_t>(length);
    if (size > 1 && size > length_) {
        length_ = size;
        return true;
    }
    return false;
}

}  // namespace tb::helper
