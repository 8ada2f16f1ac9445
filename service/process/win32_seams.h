// The service's seams on Windows: the dialogs as real message boxes, texts
// through the system ANSI code page.
#pragma once

#include "service/process/service_seams.h"

namespace tb {

// Modal, without an owner, centred on the screen.
class MessageBoxDialogs : public Dialogs {
  public:
    int show(const DialogRequest& request) override;
};

class AnsiCodePageCodec : public TextCodec {
  public:
    std::u16string toUtf16(std::string_view ansi) const override;
};

}  // namespace tb
