#include "service/lists/file_replace.h"

#include <windows.h>
#include <io.h>

namespace tb {

bool flushToDisk(std::FILE* file) {
    const intptr_t handle = _get_osfhandle(_fileno(file));
    return handle != -1 && FlushFileBuffers(reinterpret_cast<HANDLE>(handle));
}

// The C library's rename will not replace an existing file on Windows.
bool moveIntoPlace(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != FALSE;
}

}  // namespace tb
