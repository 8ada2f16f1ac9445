#include "service/sitelog/site_log_file.h"

#include "common/ansi_text.h"
#include "common/list_encoding.h"
#include "service/storage/byte_codec.h"
#include "service/storage/stream_replace.h"

namespace tb::sitelog {
namespace {

using storage::ByteReader;
using storage::ByteWriter;

constexpr char kVisitedHeader[] = "version 2";
constexpr char kBlockedHeader[] = "Blocked Log version 1";

std::u16string storedText(std::string_view plain, std::string_view key,
                          const storage::CodePage& codePage) {
    return codePage.toUtf16(encoded(std::string(cString(plain)), key));
}

std::string plainText(const std::u16string& stored, std::string_view key,
                      const storage::CodePage& codePage) {
    return decoded(codePage.fromUtf16(stored), key);
}

// The count as a loop bound: a negative count holds no records.
uint32_t recordCount(int32_t count) {
    return count > 0 ? static_cast<uint32_t>(count) : 0;
}

// Format 1: u32 (ignored), count, two strings, then records of address,
// allowed, hits and two strings.
DecodedLog decodeFormat1(ByteReader& in, int32_t now, const storage::CodePage& codePage) {
    DecodedLog log;
    log.format = 1;
    in.rewind();
    const auto ignored = in.u32();
    const auto count = in.i32();
    if (!ignored || !count || !in.string16().ok || !in.string16().ok) {
        log.complete = false;
        return log;
    }
    for (uint32_t i = 0; i < recordCount(*count); ++i) {
        const storage::String16Field address = in.string16();
        const auto allowed = in.u8();
        const auto hits = in.i32();
        if (!address.ok || !allowed || !hits || !in.string16().ok || !in.string16().ok) {
            log.complete = false;
            break;
        }
        if (!address.text) continue;
        log.sites.push_back(
            {plainText(*address.text, kDefaultListKey, codePage), *allowed, *hits, now});
    }
    return log;
}

}  // namespace

std::vector<uint8_t> encodeVisitedLog(const std::vector<LoggedSite>& sites,
                                      std::string_view listKey, const storage::CodePage& codePage) {
    ByteWriter out;
    out.string16(storedText(kVisitedHeader, listKey, codePage));
    out.i32(static_cast<int32_t>(sites.size()));
    for (const LoggedSite& site : sites) {
        out.string16(storedText(site.address, listKey, codePage));
        out.u8(site.allowed);
        out.i32(site.hits);
        out.i32(site.lastVisit);
    }
    return out.take();
}

DecodedLog decodeVisitedLog(const std::vector<uint8_t>& bytes, std::string_view listKey,
                            int32_t now, const storage::CodePage& codePage) {
    ByteReader in(bytes);
    const storage::String16Field header = in.string16();
    if (header.ok && !header.text) return decodeFormat1(in, now, codePage);

    DecodedLog log;
    const auto count = header.ok ? in.i32() : std::nullopt;
    if (!count) {
        log.complete = false;
        return log;
    }
    for (uint32_t i = 0; i < recordCount(*count); ++i) {
        const storage::String16Field address = in.string16();
        const auto allowed = in.u8();
        const auto hits = in.i32();
        const auto lastVisit = in.i32();
        if (!address.ok || !allowed || !hits || !lastVisit) {
            log.complete = false;
            break;
        }
        if (!address.text) continue;
        log.sites.push_back(
            {plainText(*address.text, listKey, codePage), *allowed, *hits, *lastVisit});
    }
    return log;
}

std::vector<uint8_t> encodeBlockedLog(const std::vector<LoggedSite>& sites,
                                      std::string_view listKey, const storage::CodePage& codePage) {
    ByteWriter out;
    out.string16(storedText(kBlockedHeader, listKey, codePage));
    out.i32(static_cast<int32_t>(sites.size()));
    for (const LoggedSite& site : sites) {
        out.string16(storedText(site.address, listKey, codePage));
        out.i32(site.lastVisit);
    }
    return out.take();
}

DecodedLog decodeBlockedLog(const std::vector<uint8_t>& bytes, std::string_view listKey,
                            const storage::CodePage& codePage) {
    ByteReader in(bytes);
    DecodedLog log;
    const bool header = in.string16().ok;
    const auto count = header ? in.i32() : std::nullopt;
    if (!count) {
        log.complete = false;
        return log;
    }
    for (uint32_t i = 0; i < recordCount(*count); ++i) {
        const storage::String16Field address = in.string16();
        const auto lastVisit = in.i32();
        if (!address.ok || !lastVisit) {
            log.complete = false;
            break;
        }
        if (!address.text) continue;
        log.sites.push_back({plainText(*address.text, listKey, codePage), 1, 0, *lastVisit});
    }
    return log;
}

namespace {

bool saveLog(storage::CompoundFiles& files, const std::string& path,
             const std::vector<uint8_t>& bytes) {
    std::unique_ptr<storage::CompoundFile> file = files.openOrCreate(path);
    return file && storage::replaceStream(*file, kLogStream, bytes);
}

// The unreadable file moved away and a new one with an empty log in its
// place; nullopt (the file left as it is) when it cannot be moved.
std::optional<DecodedLog> setAside(storage::CompoundFiles& files, const std::string& path,
                                   const std::vector<uint8_t>& empty) {
    if (!files.setAside(path)) return std::nullopt;
    if (std::unique_ptr<storage::CompoundFile> fresh = files.openOrCreate(path))
        storage::replaceStream(*fresh, kLogStream, empty);
    DecodedLog log;
    log.setAside = true;
    return log;
}

// The stream's bytes; a missing stream is written as `empty` and read as
// an empty log (a failed write is left to the next Save).
template <class Decode>
std::optional<DecodedLog> loadLog(storage::CompoundFiles& files, const std::string& path,
                                  const std::vector<uint8_t>& empty, Decode decode) {
    storage::OpenedFile opened = files.open(path);
    switch (opened.state) {
        case storage::FileState::Held:
            return std::nullopt;
        case storage::FileState::Unreadable:
            return setAside(files, path, empty);
        case storage::FileState::Created:
        case storage::FileState::Opened:
            break;
    }
    storage::CompoundFile& file = *opened.file;
    if (std::optional<std::vector<uint8_t>> bytes = storage::readStream(file, kLogStream))
        return decode(*bytes);
    // A log file always holds its stream: one that lacks it (a file cut
    // short loses its directory) or cannot read it is damaged.
    if (opened.state == storage::FileState::Opened) {
        opened.file.reset();
        return setAside(files, path, empty);
    }
    storage::replaceStream(file, kLogStream, empty);
    return DecodedLog{};
}

}  // namespace

bool saveVisitedLog(storage::CompoundFiles& files, const std::string& path,
                    const std::vector<LoggedSite>& sites, std::string_view listKey,
                    const storage::CodePage& codePage) {
    return saveLog(files, path, encodeVisitedLog(sites, listKey, codePage));
}

std::optional<DecodedLog> loadVisitedLog(storage::CompoundFiles& files, const std::string& path,
                                         std::string_view listKey, int32_t now,
                                         const storage::CodePage& codePage) {
    return loadLog(files, path, encodeVisitedLog({}, listKey, codePage),
                   [&](const std::vector<uint8_t>& bytes) {
                       return decodeVisitedLog(bytes, listKey, now, codePage);
                   });
}

bool saveBlockedLog(storage::CompoundFiles& files, const std::string& path,
                    const std::vector<LoggedSite>& sites, std::string_view listKey,
                    const storage::CodePage& codePage) {
    return saveLog(files, path, encodeBlockedLog(sites, listKey, codePage));
}

std::optional<DecodedLog> loadBlockedLog(storage::CompoundFiles& files, const std::string& path,
                                         std::string_view listKey,
                                         const storage::CodePage& codePage) {
    return loadLog(files, path, encodeBlockedLog({}, listKey, codePage),
                   [&](const std::vector<uint8_t>& bytes) {
                       return decodeBlockedLog(bytes, listKey, codePage);
                   });
}

}  // namespace tb::sitelog
