// Reading and replacing whole streams so that a process that dies in the
// middle of a write never leaves a half-written stream behind.
//
// A stream `name` is replaced in three steps inside its compound file:
//   1. the new content is written completely as "<name>.new" and committed;
//   2. the old stream is renamed "<name>.old", then "<name>.new" is renamed
//      `name`;
//   3. "<name>.old" is destroyed and the file committed.
// Until step 2 the old stream is untouched under its own name; during step
// 2 a complete copy always exists under one of the three names. Whoever
// opens the stream next settles a replacement left half done (settleStream):
// with `name` present the leftovers go; with `name` missing, "<name>.old"
// marks that "<name>.new" was complete, which then takes its place. A
// completed replacement leaves only `name`, so the file keeps the layout
// other readers expect.
//
// As with a write in place, a stream that was longer than the new content
// keeps its old tail beyond it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "service/storage/compound_file.h"

namespace tb::storage {

// Streams are read whole; no stored stream of the service comes near this.
inline constexpr size_t kMaxStreamBytes = 64u << 20;

inline std::string pendingStreamName(const std::string& name) {
    return name + ".new";
}
inline std::string retiredStreamName(const std::string& name) {
    return name + ".old";
}

// The bytes of the stream from its start (at most kMaxStreamBytes), as far
// as they can really be read, whatever its size claims.
std::vector<uint8_t> readAll(Stream& stream);

// Finishes or undoes a replacement of `name` that was left half done.
// Returns false when the file refused a step.
bool settleStream(CompoundFile& file, const std::string& name);

// The content of the stream, or nullopt when there is no such stream.
std::optional<std::vector<uint8_t>> readStream(CompoundFile& file, const std::string& name);

// Creates the stream empty when it is missing (nothing is replaced).
bool ensureStream(CompoundFile& file, const std::string& name);

// Replaces the stream's content (creating the stream when missing), keeping
// an old tail beyond `content`. False when any step failed; the last good
// content is then still in the file.
bool replaceStream(CompoundFile& file, const std::string& name,
                   const std::vector<uint8_t>& content);

}  // namespace tb::storage
