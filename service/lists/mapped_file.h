// A list file held open for reading while the service uses it, as the
// lists always were: others may write it in place, and nobody can delete or
// rename it meanwhile. Its bytes are mapped into memory only for as long as
// they are all needed (to index them), because Windows lets nobody shorten
// or replace a file while a view of it is mapped; a search reads the few it
// needs. The platform does the work (mapped_file_posix.cpp,
// mapped_file_win32.cpp).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace tb {

// A file's size and last write (in the platform's unit): a change tells
// that the file was written.
struct FileStamp {
    uint64_t size = 0;
    uint64_t written = 0;
    bool operator==(const FileStamp& o) const { return size == o.size && written == o.written; }
    bool operator!=(const FileStamp& o) const { return !(*this == o); }
};

// nullopt when the file is not there (or cannot be asked).
std::optional<FileStamp> fileStamp(const std::string& path);

// The bytes of a held file, mapped until the view ends.
class MappedView {
  public:
    MappedView() = default;
    ~MappedView();
    MappedView(MappedView&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    MappedView& operator=(MappedView&& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        return *this;
    }
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;

    std::string_view bytes() const { return {data_, size_}; }

  private:
    friend class HeldFile;
    const char* data_ = nullptr;
    size_t size_ = 0;
};

class HeldFile {
  public:
    // nullptr when the file cannot be opened.
    static std::unique_ptr<HeldFile> open(const std::string& path);
    ~HeldFile();
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    // The file's stamp now, through the open handle.
    std::optional<FileStamp> stamp() const;
    // The whole file; nullopt when it cannot be mapped. An empty file maps
    // to no bytes.
    std::optional<MappedView> map() const;
    // Up to n bytes from pos; how many were read.
    size_t readAt(uint64_t pos, char* out, size_t n) const;

  private:
    HeldFile() = default;
    intptr_t handle_ = -1;  // the platform's file handle or descriptor
};

}  // namespace tb
