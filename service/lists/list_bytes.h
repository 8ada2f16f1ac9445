// A list file's bytes as a search reads them: a block at a time, on demand,
// from the file itself, for the few places that a search looks at. Nothing
// holds the file meanwhile, so others can still write it. A read that comes
// back short (the file was cut meanwhile) marks the reader failed; the
// missing bytes read as line breaks, and a failed search finds nothing.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tb {

class ListBytes {
  public:
    // Reads up to n bytes at pos into out; returns how many it read.
    using Read = std::function<size_t(uint64_t pos, char* out, size_t n)>;
    ListBytes() = default;
    // Starts reading a file anew; the buffers stay for the next file.
    void reset(Read read, uint64_t size);

    uint64_t size() const { return size_; }
    bool failed() const { return failed_; }

    // The byte at pos, which must lie below size().
    char at(uint64_t pos) {
        const Block& b = block(pos / kBlockBytes);
        const size_t offset = static_cast<size_t>(pos % kBlockBytes);
        return offset < b.length ? b.bytes[offset] : '\r';
    }
    // The bytes [pos, pos + n) cut at size(), in one piece. The view lasts
    // until the next call.
    std::string_view window(uint64_t pos, uint64_t n);

  private:
    static constexpr size_t kBlockBytes = 4096;
    struct Block {
        uint64_t number = UINT64_MAX;
        std::vector<char> bytes;
        size_t length = 0;
    };
    const Block& block(uint64_t number);

    Read read_;
    uint64_t size_ = 0;
    bool failed_ = false;
    std::array<Block, 16> blocks_;  // by block number, modulo 16
    std::string joined_;            // a window across blocks
};

}  // namespace tb
