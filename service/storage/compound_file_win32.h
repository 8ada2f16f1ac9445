// The compound-file seam on ole32 structured storage: StgOpenStorage /
// StgCreateDocfile in direct mode, read-write with exclusive sharing, and
// IStorage / IStream for the streams.
#pragma once

#include "service/storage/compound_file.h"

namespace tb::storage {

class Ole32CompoundFiles : public CompoundFiles {
  public:
    OpenedFile open(const std::string& path) override;
    bool setAside(const std::string& path) override;
};

}  // namespace tb::storage
