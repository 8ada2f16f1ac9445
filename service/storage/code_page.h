// The conversion between the core's 8-bit texts and the UTF-16 of the
// stored streams. Windows converts through the system ANSI code page
// (code_page_win32.h); the core's tests and the fuzz targets use Latin-1,
// where every byte is the code unit of the same value.
#pragma once

#include <string>
#include <string_view>

namespace tb::storage {

class CodePage {
  public:
    virtual ~CodePage() = default;
    virtual std::u16string toUtf16(std::string_view ansi) const = 0;
    virtual std::string fromUtf16(std::u16string_view units) const = 0;
};

// Bytes 0-255 are U+0000-U+00FF; a unit above U+00FF becomes '?'.
class Latin1CodePage : public CodePage {
  public:
    std::u16string toUtf16(std::string_view ansi) const override;
    std::string fromUtf16(std::u16string_view units) const override;
};

}  // namespace tb::storage
