#include "service/lists/directory_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>

namespace tb {

DirectoryWatch::~DirectoryWatch() {
    stop();
}

void DirectoryWatch::watch(const std::string& directory) {
    stop();
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (fd < 0) return;
    const uint32_t events = IN_MODIFY | IN_CLOSE_WRITE | IN_ATTRIB | IN_CREATE | IN_DELETE |
                            IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;
    if (::inotify_add_watch(fd, directory.c_str(), events) < 0) {
        ::close(fd);
        return;
    }
    handle_ = fd;
}

void DirectoryWatch::stop() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
    handle_ = -1;
}

bool DirectoryWatch::changed() {
    if (handle_ < 0) return true;
    bool any = false;
    alignas(struct inotify_event) char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(handle_), buffer, sizeof buffer);
        if (n > 0) {
            any = true;
            continue;
        }
        // Drained (EAGAIN), or the watch broke: then every call says so.
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) stop();
        return any || handle_ < 0;
    }
}

}  // namespace tb
