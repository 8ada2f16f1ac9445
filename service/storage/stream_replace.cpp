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

namespace {

bool writeAt0(Stream& stream, const std::vector<uint8_t>& bytes) {
    if (!stream.seek(0)) return false;
    if (!bytes.empty() && !stream.write(bytes.data(), bytes.size())) return false;
    const std::optional<uint64_t> size = stream.size();
    if (!size) return false;
    return *size == bytes.size() || stream.setSize(bytes.size());
}

// The stream's content becomes exactly `bytes`.
bool overwrite(CompoundFile& file, const std::string& name, const std::vector<uint8_t>& bytes) {
    std::unique_ptr<Stream> stream = file.openStream(name);
    if (!stream) stream = file.createStream(name);
    return stream && writeAt0(*stream, bytes);
}

bool writeNew(CompoundFile& file, const std::string& name, const std::vector<uint8_t>& bytes) {
    std::unique_ptr<Stream> stream = file.createStream(name);
    return stream && writeAt0(*stream, bytes);
}

bool dropJournal(CompoundFile& file, const std::string& name) {
    bool ok = true;
    // The mark goes first: a journal without it is never replayed.
    if (file.hasStream(journalCompleteName(name)))
        ok &= file.destroyStream(journalCompleteName(name));
    if (file.hasStream(journalStreamName(name))) ok &= file.destroyStream(journalStreamName(name));
    return file.commit() && ok;
}

}  // namespace

bool settleStream(CompoundFile& file, const std::string& name) {
    const bool hasJournal = file.hasStream(journalStreamName(name));
    const bool complete = file.hasStream(journalCompleteName(name));
    if (!hasJournal && !complete) return true;
    if (hasJournal && complete) {
        std::vector<uint8_t> bytes;
        {
            std::unique_ptr<Stream> journal = file.openStream(journalStreamName(name));
            if (!journal) return false;
            bytes = readAll(*journal);
        }
        if (!overwrite(file, name, bytes) || !file.commit()) return false;
    }
    return dropJournal(file, name);
}

// A stream that gives fewer bytes than its size claims is damaged (a file
// cut short, say) and reads as none at all.
std::optional<std::vector<uint8_t>> readStream(CompoundFile& file, const std::string& name) {
    settleStream(file, name);
    std::unique_ptr<Stream> stream = file.openStream(name);
    if (!stream) return std::nullopt;
    std::vector<uint8_t> bytes = readAll(*stream);
    const std::optional<uint64_t> size = stream->size();
    if (size && bytes.size() < std::min<uint64_t>(*size, kMaxStreamBytes)) return std::nullopt;
    return bytes;
}

bool ensureStream(CompoundFile& file, const std::string& name) {
    settleStream(file, name);
    if (file.hasStream(name)) return true;
    return file.createStream(name) != nullptr && file.commit();
}

bool replaceStream(CompoundFile& file, const std::string& name,
                   const std::vector<uint8_t>& content) {
    if (!settleStream(file, name)) return false;

    std::vector<uint8_t> bytes = content;
    if (std::unique_ptr<Stream> old = file.openStream(name)) {
        const std::vector<uint8_t> previous = readAll(*old);
        if (previous.size() > bytes.size())
            bytes.insert(bytes.end(), previous.begin() + bytes.size(), previous.end());
    }

    // 1. The journal, complete before anything else changes.
    if (!writeNew(file, journalStreamName(name), bytes) || !file.commit() ||
        !file.createStream(journalCompleteName(name)) || !file.commit()) {
        dropJournal(file, name);
        return false;
    }
    // 2. The stream itself. Should this fail, the journal stays for the next
    // reader to finish the job.
    if (!overwrite(file, name, bytes) || !file.commit()) return false;
    // 3. The journal goes; leftovers of a failure here are settled later.
    dropJournal(file, name);
    return true;
}

}  // namespace tb::storage
