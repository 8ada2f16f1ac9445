// Tells whether anything in a directory may have changed since it was last
// asked: a file written, created, removed or renamed. One question costs
// one poll of the platform's change notification instead of a look at
// every file (directory_watch_posix.cpp, directory_watch_win32.cpp).
#pragma once

#include <cstdint>
#include <string>

namespace tb {

class DirectoryWatch {
  public:
    DirectoryWatch() = default;
    ~DirectoryWatch();
    DirectoryWatch(const DirectoryWatch&) = delete;
    DirectoryWatch& operator=(const DirectoryWatch&) = delete;

    // Watches the directory from now on; a directory that cannot be watched
    // reads as always changed.
    void watch(const std::string& directory);
    void stop();

    // True when something may have changed since the last call (always
    // true without a watch). The answer re-arms the watch first, so a
    // change made after it is told by the next call.
    bool changed();

  private:
    intptr_t handle_ = -1;
};

}  // namespace tb
