// Reading and replacing whole streams so that a process that dies in the
// middle of a write never leaves a half-written stream behind.
//
// A stream `name` is replaced like a journalled write, inside its compound
// file and without renaming anything:
//   1. the new content is written completely as "<name>.new", committed,
//      and then the empty stream "<name>.ok" is created and committed: the
//      journal is complete;
//   2. the content is written over `name` from its start and committed;
//   3. "<name>.ok" and then "<name>.new" are destroyed and the file
//      committed.
// Whoever opens the stream next settles a replacement left half done
// (settleStream): with "<name>.ok" present the journal is complete and step
// 2 is done again from it; without it the journal may be partial and is
// dropped, and `name` was not yet touched. So a reader always finds either
// the old content or the new one, whole. A completed replacement leaves
// only `name`, so the file keeps the layout other readers expect.
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

inline std::string journalStreamName(const std::string& name) {
    return name + ".new";
}
inline std::string journalCompleteName(const std::string& name) {
    return name + ".ok";
}

// The bytes of the stream from its start (at most kMaxStreamBytes), as far
// as they can really be read, whatever its size claims.
std::vector<uint8_t> readAll(Stream& stream);

// Finishes a replacement of `name` whose journal is complete, or drops an
// incomplete one. Returns false when the file refused a step.
bool settleStream(CompoundFile& file, const std::string& name);

// The content of the stream, or nullopt when there is no such stream.
std::optional<std::vector<uint8_t>> readStream(CompoundFile& file, const std::string& name);

// Creates the stream empty when it is missing (nothing is replaced).
bool ensureStream(CompoundFile& file, const std::string& name);

// Replaces the stream's content (creating the stream when missing), keeping
// an old tail beyond `content`. False when the new content did not reach
// the stream; the old content is then what a reader finds.
bool replaceStream(CompoundFile& file, const std::string& name,
                   const std::vector<uint8_t>& content);

}  // namespace tb::storage
