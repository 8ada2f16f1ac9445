#include "service/lists/mapped_file.h"

#include <windows.h>

#include <algorithm>
#include <utility>

namespace tb {

namespace {

uint64_t join(DWORD high, DWORD low) {
    return (static_cast<uint64_t>(high) << 32) | low;
}

HANDLE handleOf(intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

}  // namespace

std::optional<FileStamp> fileStamp(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
    return FileStamp{join(data.nFileSizeHigh, data.nFileSizeLow),
                     join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime)};
}

MappedView::~MappedView() {
    if (data_) UnmapViewOfFile(data_);
}

// Shared for reading and writing but not for deleting, as the C library
// opens a file for reading.
std::unique_ptr<HeldFile> HeldFile::open(const std::string& path) {
    const HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                 nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return nullptr;
    std::unique_ptr<HeldFile> file(new HeldFile);
    file->handle_ = reinterpret_cast<intptr_t>(h);
    return file;
}

HeldFile::~HeldFile() {
    CloseHandle(handleOf(handle_));
}

std::optional<FileStamp> HeldFile::stamp() const {
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handleOf(handle_), &info)) return std::nullopt;
    return FileStamp{join(info.nFileSizeHigh, info.nFileSizeLow),
                     join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)};
}

// The view keeps the mapping object alive; its handle goes at once.
std::optional<MappedView> HeldFile::map() const {
    const std::optional<FileStamp> now = stamp();
    if (!now || now->size > SIZE_MAX) return std::nullopt;
    MappedView view;
    if (now->size == 0) return view;
    const HANDLE section =
        CreateFileMappingA(handleOf(handle_), nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!section) return std::nullopt;
    const void* p = MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0);
    CloseHandle(section);
    if (!p) return std::nullopt;
    view.data_ = static_cast<const char*>(p);
    // A file cut short before the mapping was made maps shorter; mapped,
    // it cannot be cut.
    const std::optional<FileStamp> after = stamp();
    view.size_ = static_cast<size_t>(after ? std::min(now->size, after->size) : 0);
    return view;
}

size_t HeldFile::readAt(uint64_t pos, char* out, size_t n) const {
    size_t done = 0;
    while (done < n) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(pos + done);
        at.OffsetHigh = static_cast<DWORD>((pos + done) >> 32);
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<size_t>(n - done, 1u << 30));
        if (!ReadFile(handleOf(handle_), out + done, want, &got, &at) || got == 0) break;
        done += got;
    }
    return done;
}

}  // namespace tb
