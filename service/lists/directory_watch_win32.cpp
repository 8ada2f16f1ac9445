#include "service/lists/directory_watch.h"

#include <windows.h>

namespace tb {

DirectoryWatch::~DirectoryWatch() {
    stop();
}

void DirectoryWatch::watch(const std::string& directory) {
    stop();
    const HANDLE h = FindFirstChangeNotificationA(
        directory.c_str(), FALSE,
        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE);
    if (h != INVALID_HANDLE_VALUE) handle_ = reinterpret_cast<intptr_t>(h);
}

void DirectoryWatch::stop() {
    if (handle_ != -1) FindCloseChangeNotification(reinterpret_cast<HANDLE>(handle_));
    handle_ = -1;
}

bool DirectoryWatch::changed() {
    if (handle_ == -1) return true;
    const HANDLE h = reinterpret_cast<HANDLE>(handle_);
    const DWORD state = WaitForSingleObject(h, 0);
    if (state == WAIT_TIMEOUT) return false;
    if (state != WAIT_OBJECT_0 || !FindNextChangeNotification(h)) stop();
    return true;
}

}  // namespace tb
