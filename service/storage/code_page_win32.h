// The code-page seam on the system ANSI code page (CP_ACP).
#pragma once

#include "service/storage/code_page.h"

namespace tb::storage {

class SystemCodePage : public CodePage {
  public:
    std::u16string toUtf16(std::string_view ansi) const override;
    std::string fromUtf16(std::u16string_view units) const override;
};

}  // namespace tb::storage
