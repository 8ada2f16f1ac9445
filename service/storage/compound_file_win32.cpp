#include "service/storage/compound_file_win32.h"

#include <windows.h>
#include <objbase.h>
#include <wrl/client.h>

#include <optional>
#include <vector>

#include "common/com_convert.h"
#include "service/storage/compound_file_check.h"

using Microsoft::WRL::ComPtr;

namespace tb::storage {
namespace {

constexpr DWORD kFileMode = STGM_DIRECT | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
constexpr DWORD kStreamMode = STGM_DIRECT | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;

class Ole32Stream : public Stream {
  public:
    explicit Ole32Stream(ComPtr<IStream> stream) : stream_(std::move(stream)) {}

    size_t read(void* buffer, size_t size) override {
        ULONG got = 0;
        const HRESULT hr = stream_->Read(buffer, static_cast<ULONG>(size), &got);
        return FAILED(hr) ? 0 : got;
    }
    bool write(const void* data, size_t size) override {
        ULONG written = 0;
        return SUCCEEDED(stream_->Write(data, static_cast<ULONG>(size), &written)) &&
               written == size;
    }
    bool seek(uint64_t position) override {
        LARGE_INTEGER to;
        to.QuadPart = static_cast<LONGLONG>(position);
        return SUCCEEDED(stream_->Seek(to, STREAM_SEEK_SET, nullptr));
    }
    std::optional<uint64_t> size() override {
        STATSTG stat = {};
        if (FAILED(stream_->Stat(&stat, STATFLAG_NONAME))) return std::nullopt;
        return stat.cbSize.QuadPart;
    }
    bool setSize(uint64_t size) override {
        ULARGE_INTEGER to;
        to.QuadPart = size;
        return SUCCEEDED(stream_->SetSize(to));
    }

  private:
    ComPtr<IStream> stream_;
};

class Ole32CompoundFile : public CompoundFile {
  public:
    explicit Ole32CompoundFile(ComPtr<IStorage> storage) : storage_(std::move(storage)) {}

    std::unique_ptr<Stream> openStream(const std::string& name) override {
        ComPtr<IStream> stream;
        if (FAILED(storage_->OpenStream(toWide(name).c_str(), nullptr, kStreamMode, 0, &stream)))
            return nullptr;
        return std::make_unique<Ole32Stream>(std::move(stream));
    }
    std::unique_ptr<Stream> createStream(const std::string& name) override {
        ComPtr<IStream> stream;
        if (FAILED(storage_->CreateStream(toWide(name).c_str(), kStreamMode | STGM_CREATE, 0, 0,
                                          &stream))) {
            return nullptr;
        }
        return std::make_unique<Ole32Stream>(std::move(stream));
    }
    // By the element list, so that an element open elsewhere still counts.
    bool hasStream(const std::string& name) override {
        const std::wstring wanted = toWide(name);
        ComPtr<IEnumSTATSTG> elements;
        if (FAILED(storage_->EnumElements(0, nullptr, 0, &elements))) return false;
        STATSTG stat = {};
        bool found = false;
        while (!found && elements->Next(1, &stat, nullptr) == S_OK) {
            // Element names compare without regard to case.
            found = stat.type == STGTY_STREAM && stat.pwcsName &&
                    lstrcmpiW(wanted.c_str(), stat.pwcsName) == 0;
            CoTaskMemFree(stat.pwcsName);
        }
        return found;
    }
    bool destroyStream(const std::string& name) override {
        return SUCCEEDED(storage_->DestroyElement(toWide(name).c_str()));
    }
    bool commit() override { return SUCCEEDED(storage_->Commit(STGC_DEFAULT)); }

  private:
    ComPtr<IStorage> storage_;
};

// Another program holding the file: never replace it.
bool heldElsewhere(HRESULT hr) {
    return hr == STG_E_SHAREVIOLATION || hr == STG_E_LOCKVIOLATION || hr == STG_E_ACCESSDENIED;
}

}  // namespace

// The file's bytes, to be looked at before the storage code opens it:
// nullopt when it is not there, Held when another program keeps it.
std::optional<std::vector<uint8_t>> fileBytes(const std::wstring& path, bool& held) {
    held = false;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        held = GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND;
        return std::nullopt;
    }
    std::vector<uint8_t> bytes;
    LARGE_INTEGER size{};
    if (GetFileSizeEx(file, &size) && size.QuadPart <= (64 << 20)) {
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD got = 0;
        if (!bytes.empty() &&
            (!ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) ||
             got != bytes.size()))
            bytes.clear();
    }
    CloseHandle(file);
    return bytes;
}

OpenedFile Ole32CompoundFiles::open(const std::string& path) {
    const std::wstring wide = toWide(path);
    bool held = false;
    const std::optional<std::vector<uint8_t>> bytes = fileBytes(wide, held);
    if (held) return {nullptr, FileState::Held};
    if (bytes && !compoundFileLooksWhole(*bytes)) return {nullptr, FileState::Unreadable};
    ComPtr<IStorage> storage;
    HRESULT hr = StgOpenStorage(wide.c_str(), nullptr, kFileMode, nullptr, 0, &storage);
    if (SUCCEEDED(hr))
        return {std::make_unique<Ole32CompoundFile>(std::move(storage)), FileState::Opened};
    if (heldElsewhere(hr)) return {nullptr, FileState::Held};
    if (GetFileAttributesW(wide.c_str()) != INVALID_FILE_ATTRIBUTES)
        return {nullptr, FileState::Unreadable};
    // None there: a new one, which never replaces a file made meanwhile.
    hr = StgCreateDocfile(wide.c_str(), kFileMode | STGM_FAILIFTHERE, 0, &storage);
    if (FAILED(hr)) return {nullptr, FileState::Held};
    return {std::make_unique<Ole32CompoundFile>(std::move(storage)), FileState::Created};
}

bool Ole32CompoundFiles::setAside(const std::string& path) {
    for (int n = 1; n < 100; ++n) {
        if (MoveFileExA(path.c_str(), setAsideName(path, n).c_str(), MOVEFILE_WRITE_THROUGH))
            return true;
        if (GetLastError() != ERROR_ALREADY_EXISTS && GetLastError() != ERROR_FILE_EXISTS)
            return false;
    }
    return false;
}

}  // namespace tb::storage
