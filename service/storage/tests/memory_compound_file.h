// In-memory compound files for core tests. Files are kept by path in the
// MemoryCompoundFiles object and survive closing, as on disk. Opening a
// file that is open already fails, as exclusive sharing does.
//
// dieAfter(n) imitates a process that dies: after n more changes (a write
// counts as one and, when it is the one that dies, lands only half), every
// change is refused, so the file keeps exactly what reached it before.
#pragma once

#include <algorithm>
#include <cstring>
#include <map>
#include <set>
#include <memory>
#include <string>
#include <vector>

#include "service/storage/compound_file.h"

namespace tb::storage::testing {

class MemoryCompoundFiles : public CompoundFiles {
  public:
    using Bytes = std::vector<uint8_t>;

    struct FileData {
        std::map<std::string, std::shared_ptr<Bytes>> streams;
        bool open = false;
        bool held = false;        // another program holds it
        bool unreadable = false;  // no compound file: cut short, emptied, garbage
        // Streams whose bytes cannot be read (a file damaged inside).
        std::set<std::string> damagedStreams;
        long changesLeft = -1;  // -1: no limit
        int commits = 0;

        // True when a change may still happen; counts it.
        bool change() {
            if (changesLeft == 0) return false;
            if (changesLeft > 0) --changesLeft;
            return true;
        }
    };

    OpenedFile open(const std::string& path) override {
        if (refuseAll) return {nullptr, FileState::Held};
        std::shared_ptr<FileData>& data = files_[path];
        const bool created = !data;
        if (created) data = std::make_shared<FileData>();
        if (data->open || data->held) return {nullptr, FileState::Held};
        if (data->unreadable) return {nullptr, FileState::Unreadable};
        return {std::make_unique<File>(data), created ? FileState::Created : FileState::Opened};
    }
    bool setAside(const std::string& path) override {
        auto it = files_.find(path);
        if (it == files_.end() || it->second->open || it->second->held) return false;
        for (int n = 1;; ++n) {
            const std::string name = setAsideName(path, n);
            if (files_.count(name)) continue;
            files_[name] = it->second;
            files_.erase(it);
            return true;
        }
    }

    bool exists(const std::string& path) const { return files_.count(path) > 0; }
    FileData& file(const std::string& path) {
        std::shared_ptr<FileData>& data = files_[path];
        if (!data) data = std::make_shared<FileData>();
        return *data;
    }
    // The stream's bytes, empty when there is none.
    Bytes stream(const std::string& path, const std::string& name) {
        auto it = file(path).streams.find(name);
        return it == file(path).streams.end() ? Bytes{} : *it->second;
    }
    std::vector<std::string> streamNames(const std::string& path) {
        std::vector<std::string> out;
        for (const auto& entry : file(path).streams) out.push_back(entry.first);
        return out;
    }
    void putStream(const std::string& path, const std::string& name, Bytes bytes) {
        file(path).streams[name] = std::make_shared<Bytes>(std::move(bytes));
    }
    void dieAfter(const std::string& path, long changes) { file(path).changesLeft = changes; }
    void revive(const std::string& path) { file(path).changesLeft = -1; }

    bool refuseAll = false;  // every open fails, as for a locked file

  private:
    class MemoryStream : public Stream {
      public:
        MemoryStream(std::shared_ptr<FileData> file, std::shared_ptr<Bytes> bytes)
            : file_(std::move(file)), bytes_(std::move(bytes)) {}

        size_t read(void* buffer, size_t size) override {
            if (pos_ >= bytes_->size()) return 0;
            const size_t n = std::min(size, bytes_->size() - pos_);
            std::memcpy(buffer, bytes_->data() + pos_, n);
            pos_ += n;
            return n;
        }
        bool write(const void* data, size_t size) override {
            const bool dies = file_->changesLeft == 1;
            if (!file_->change()) return false;
            const size_t n = dies ? size / 2 : size;
            if (bytes_->size() < pos_ + n) bytes_->resize(pos_ + n);
            std::memcpy(bytes_->data() + pos_, data, n);
            pos_ += n;
            return !dies;
        }
        bool seek(uint64_t position) override {
            pos_ = static_cast<size_t>(position);
            return true;
        }
        std::optional<uint64_t> size() override { return bytes_->size(); }
        bool setSize(uint64_t size) override {
            if (!file_->change()) return false;
            bytes_->resize(static_cast<size_t>(size));
            return true;
        }

      private:
        std::shared_ptr<FileData> file_;
        std::shared_ptr<Bytes> bytes_;
        size_t pos_ = 0;
    };

    class File : public CompoundFile {
      public:
        explicit File(std::shared_ptr<FileData> data) : data_(std::move(data)) {
            data_->open = true;
        }
        ~File() override { data_->open = false; }

        std::unique_ptr<Stream> openStream(const std::string& name) override {
            auto it = data_->streams.find(name);
            if (it == data_->streams.end() || data_->damagedStreams.count(name)) return nullptr;
            return std::make_unique<MemoryStream>(data_, it->second);
        }
        std::unique_ptr<Stream> createStream(const std::string& name) override {
            if (!data_->change()) return nullptr;
            auto bytes = std::make_shared<Bytes>();
            data_->streams[name] = bytes;
            return std::make_unique<MemoryStream>(data_, bytes);
        }
        bool hasStream(const std::string& name) override { return data_->streams.count(name) > 0; }
        bool destroyStream(const std::string& name) override {
            if (!hasStream(name) || !data_->change()) return false;
            data_->streams.erase(name);
            return true;
        }
        bool commit() override {
            ++data_->commits;
            return data_->changesLeft != 0;
        }

      private:
        std::shared_ptr<FileData> data_;
    };

    std::map<std::string, std::shared_ptr<FileData>> files_;
};

}  // namespace tb::storage::testing
