#include "service/storage/compound_file_win32.h"

#include <windows.h>
#include <objbase.h>
#include <wrl/client.h>

#include "common/com_convert.h"

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

std::unique_ptr<CompoundFile> Ole32CompoundFiles::openOrCreate(const std::string& path) {
    const std::wstring wide = toWide(path);
    ComPtr<IStorage> storage;
    HRESULT hr = StgOpenStorage(wide.c_str(), nullptr, kFileMode, nullptr, 0, &storage);
    if (FAILED(hr)) {
        if (heldElsewhere(hr)) return nullptr;
        hr = StgCreateDocfile(wide.c_str(), kFileMode | STGM_CREATE, 0, &storage);
        if (FAILED(hr)) return nullptr;
    }
    return std::make_unique<Ole32CompoundFile>(std::move(storage));
}

}  // namespace tb::storage
