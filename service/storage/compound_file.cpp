#include "service/storage/compound_file.h"

namespace tb::storage {

std::unique_ptr<CompoundFile> CompoundFiles::openOrCreate(const std::string& path) {
    OpenedFile opened = open(path);
    if (opened.state == FileState::Unreadable) {
        if (!setAside(path)) return nullptr;
        opened = open(path);
    }
    return std::move(opened.file);
}

std::string setAsideName(const std::string& path, int n) {
    return path + ".damaged" + (n > 1 ? std::to_string(n) : std::string());
}

}  // namespace tb::storage
