#include "service/lists/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace tb {

namespace {

FileStamp stampOf(const struct stat& st) {
    const uint64_t ns = static_cast<uint64_t>(st.st_mtim.tv_sec) * 1000000000u +
                        static_cast<uint64_t>(st.st_mtim.tv_nsec);
    return {static_cast<uint64_t>(st.st_size), ns};
}

}  // namespace

std::optional<FileStamp> fileStamp(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return stampOf(st);
}

MappedView::~MappedView() {
    if (data_) ::munmap(const_cast<char*>(data_), size_);
}

std::unique_ptr<HeldFile> HeldFile::open(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<HeldFile> file(new HeldFile);
    file->handle_ = fd;
    return file;
}

HeldFile::~HeldFile() {
    ::close(static_cast<int>(handle_));
}

std::optional<FileStamp> HeldFile::stamp() const {
    struct stat st {};
    if (::fstat(static_cast<int>(handle_), &st) != 0) return std::nullopt;
    return stampOf(st);
}

std::optional<MappedView> HeldFile::map() const {
    const std::optional<FileStamp> now = stamp();
    if (!now) return std::nullopt;
    MappedView view;
    if (now->size == 0) return view;
    void* p = ::mmap(nullptr, static_cast<size_t>(now->size), PROT_READ, MAP_SHARED,
                     static_cast<int>(handle_), 0);
    if (p == MAP_FAILED) return std::nullopt;
    view.data_ = static_cast<const char*>(p);
    view.size_ = static_cast<size_t>(now->size);
    return view;
}

size_t HeldFile::readAt(uint64_t pos, char* out, size_t n) const {
    size_t done = 0;
    while (done < n) {
        const ssize_t got = ::pread(static_cast<int>(handle_), out + done, n - done,
                                    static_cast<off_t>(pos + done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

}  // namespace tb
