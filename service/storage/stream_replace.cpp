#include "service/storage/stream_replace.h"

#include <algorithm>

namespace tb::storage {

std::vector<uint8_t> readAll(Stream& stream) {
    std::vector<uint8_t> out;
    if (!stream.seek(0)) return out;
    uint8_t chunk[64 * 1024];
    while (out.size() < kMaxStreamBytes) {
        const size_t want = std::min(sizeof chunk, kMaxStreamBytes - out.size());
        const size_t got = stream.read(chunk, want);
        if (got == 0) break;
        out.insert(out.end(), chunk, chunk + std::min(got, want));
    }
    return out;
}

bool settleStream(CompoundFile& file, const std::string& name) {
    const std::string pending = pendingStreamName(name);
    const std::string retired = retiredStreamName(name);
    const bool hasPending = file.hasStream(pending);
    const bool hasRetired = file.hasStream(retired);
    if (!hasPending && !hasRetired) return true;

    bool ok = true;
    if (file.hasStream(name)) {
        // The replacement either never got past step 1 or had finished step 2.
        if (hasPending) ok &= file.destroyStream(pending);
        if (hasRetired) ok &= file.destroyStream(retired);
    } else if (hasRetired) {
        // Died between the two renames: the pending copy is complete.
        if (hasPending) {
            ok &= file.renameStream(pending, name);
            ok &= file.destroyStream(retired);
        } else {
            ok &= file.renameStream(retired, name);
        }
    } else {
        // Without a retired copy the pending one may be partial: drop it.
        ok &= file.destroyStream(pending);
    }
    return file.commit() && ok;
}

std::optional<std::vector<uint8_t>> readStream(CompoundFile& file, const std::string& name) {
    settleStream(file, name);
    std::unique_ptr<Stream> stream = file.openStream(name);
    if (!stream) return std::nullopt;
    return readAll(*stream);
}

bool ensureStream(CompoundFile& file, const std::string& name) {
    settleStream(file, name);
    if (file.hasStream(name)) return true;
    return file.createStream(name) != nullptr && file.commit();
}

namespace {

bool writeWhole(CompoundFile& file, const std::string& name, const std::vector<uint8_t>& bytes) {
    std::unique_ptr<Stream> stream = file.createStream(name);
    if (!stream) return false;
    if (!bytes.empty() && !stream->write(bytes.data(), bytes.size())) return false;
    const std::optional<uint64_t> size = stream->size();
    return size && *size == bytes.size();
}

}  // namespace

bool replaceStream(CompoundFile& file, const std::string& name,
                   const std::vector<uint8_t>& content) {
    const std::string pending = pendingStreamName(name);
    const std::string retired = retiredStreamName(name);
    // A missing stream is created empty first, so that step 2 always has an
    // old stream to retire and a pending copy is trusted only beside one.
    if (!ensureStream(file, name)) return false;

    std::vector<uint8_t> bytes = content;
    {
        std::unique_ptr<Stream> old = file.openStream(name);
        if (!old) return false;
        const std::vector<uint8_t> previous = readAll(*old);
        if (previous.size() > bytes.size())
            bytes.insert(bytes.end(), previous.begin() + bytes.size(), previous.end());
    }

    if (!writeWhole(file, pending, bytes) || !file.commit()) {
        file.destroyStream(pending);
        return false;
    }
    if (!file.renameStream(name, retired)) {
        file.destroyStream(pending);
        return false;
    }
    if (!file.renameStream(pending, name)) {
        file.renameStream(retired, name);
        file.destroyStream(pending);
        file.commit();
        return false;
    }
    file.destroyStream(retired);
    return file.commit();
}

}  // namespace tb::storage
