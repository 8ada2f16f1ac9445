// The text of a page that the content check sends to the service: the
// document's address and its title and meta texts, bounded, and the record
// of how much of a document has been sent already.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "browser_helper/seams.h"

namespace tb::helper {

// Pieces are appended while the text stays below this length.
inline constexpr size_t kContentBound = 5000;
// At most this much of the text is sent.
inline constexpr size_t kContentSent = kContentBound - 1;

// The address and one space; then every present piece that still fits
// below the bound, each present piece followed by one space whether it
// fitted or not.
std::string buildContentText(const DocumentText& document);

// The first kContentSent characters of a text.
std::string contentToSend(const std::string& text);

// lastCheckedUrl and lastCheckedLength: a document is sent again only when
// its text has grown beyond what was sent for it before.
class ContentMark {
  public:
    // Forgets the last document (a new download starts).
    void reset();
    // True when a text of this length for this document is to be sent; it
    // is then recorded as sent.
    bool admit(const std::string& documentUrl, size_t length);

    const std::string& lastCheckedUrl() const { return url_; }
    int32_t lastCheckedLength() const { return length_; }

  private:
    std::string url_;
    int32_t length_ = 0;
};

}  // namespace tb::helper
