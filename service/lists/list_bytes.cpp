#include "service/lists/list_bytes.h"

#include <algorithm>

namespace tb {

void ListBytes::reset(Read read, uint64_t size) {
    read_ = std::move(read);
    size_ = size;
    failed_ = false;
    for (Block& b : blocks_) b.number = UINT64_MAX;
}

const ListBytes::Block& ListBytes::block(uint64_t number) {
    Block& b = blocks_[number % blocks_.size()];
    if (b.number == number) return b;
    b.bytes.resize(kBlockBytes);
    const uint64_t pos = number * kBlockBytes;
    const size_t want =
        pos >= size_ ? 0 : static_cast<size_t>(std::min<uint64_t>(kBlockBytes, size_ - pos));
    b.length = want ? read_(pos, b.bytes.data(), want) : 0;
    if (b.length < want) failed_ = true;
    b.number = number;
    return b;
}

std::string_view ListBytes::window(uint64_t pos, uint64_t n) {
    if (pos >= size_) return {};
    n = std::min(n, size_ - pos);
    const uint64_t first = pos / kBlockBytes;
    const uint64_t last = (pos + n - 1) / kBlockBytes;
    if (first == last) {
        const Block& b = block(first);
        const size_t offset = static_cast<size_t>(pos % kBlockBytes);
        if (offset + n <= b.length) return {b.bytes.data() + offset, static_cast<size_t>(n)};
    }
    joined_.clear();
    for (uint64_t at = pos; at < pos + n;) {
        const Block& b = block(at / kBlockBytes);
        const size_t offset = static_cast<size_t>(at % kBlockBytes);
        const size_t take =
            static_cast<size_t>(std::min<uint64_t>(pos + n - at, kBlockBytes - offset));
        const size_t have = offset < b.length ? std::min(take, b.length - offset) : 0;
        joined_.append(b.bytes.data() + offset, have);
        joined_.append(take - have, '\r');
        at += take;
    }
    return joined_;
}

}  // namespace tb
