#include "service/lists/file_replace.h"

#include <unistd.h>

#include <cstdio>

namespace tb {

bool flushToDisk(std::FILE* file) {
    return ::fsync(::fileno(file)) == 0;
}

bool moveIntoPlace(const std::string& from, const std::string& to, bool) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace tb
