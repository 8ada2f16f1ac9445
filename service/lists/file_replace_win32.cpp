#include "service/lists/file_replace.h"

#include <windows.h>
#include <io.h>

namespace tb {

bool flushToDisk(std::FILE* file) {
    const intptr_t handle = _get_osfhandle(_fileno(file));
    return handle != -1 && FlushFileBuffers(reinterpret_cast<HANDLE>(handle));
}

// The C library's rename will not replace an existing file on Windows.
// Windows of the 95 family has no MoveFileEx: there the old file goes first,
// and a power loss between the two steps leaves the complete new file under
// its temporary name.
bool moveIntoPlace(const std::string& from, const std::string& to, bool durable) {
    if (MoveFileExA(from.c_str(), to.c_str(),
                    MOVEFILE_REPLACE_EXISTING | (durable ? MOVEFILE_WRITE_THROUGH : 0)))
        return true;
    if (GetLastError() != ERROR_CALL_NOT_IMPLEMENTED) return false;
    if (!DeleteFileA(to.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) return false;
    return MoveFileA(from.c_str(), to.c_str()) != FALSE;
}

}  // namespace tb
