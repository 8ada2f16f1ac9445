// A compound file (structured storage) as the core sees it: named streams
// inside one file, opened with exclusive sharing. Windows implements it with
// ole32 (compound_file_win32.h); tests use an in-memory one
// (tests/memory_compound_file.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace tb::storage {

// A stream of bytes with a position. Every call reports failure instead of
// throwing.
class Stream {
  public:
    virtual ~Stream() = default;

    // Reads up to `size` bytes at the position and advances it; returns the
    // number read (0 at the end or on failure).
    virtual size_t read(void* buffer, size_t size) = 0;
    // Writes at the position, growing the stream as needed.
    virtual bool write(const void* data, size_t size) = 0;
    virtual bool seek(uint64_t position) = 0;
    virtual std::optional<uint64_t> size() = 0;
    // Grows (with zeros) or cuts the stream.
    virtual bool setSize(uint64_t size) = 0;
};

// One open compound file. Streams handed out must be released before the
// element they belong to is destroyed. (Nothing here renames elements: the
// Wine versions we test on keep the old name's length when renaming, which
// other readers then see as a different name.)
class CompoundFile {
  public:
    virtual ~CompoundFile() = default;

    // The stream, or nullptr when there is none of that name.
    virtual std::unique_ptr<Stream> openStream(const std::string& name) = 0;
    // A new, empty stream; an existing one of that name is replaced.
    virtual std::unique_ptr<Stream> createStream(const std::string& name) = 0;
    virtual bool hasStream(const std::string& name) = 0;
    virtual bool destroyStream(const std::string& name) = 0;
    // Makes everything written so far durable in the file.
    virtual bool commit() = 0;
};

// How a file came to be open, or why it is not.
enum class FileState {
    Opened,      // an existing compound file
    Created,     // there was none: a new, empty one
    Unreadable,  // a file of that name that is no readable compound file; left as it is
    Held,        // another program holds it (or it cannot be reached); left as it is
};

struct OpenedFile {
    std::unique_ptr<CompoundFile> file;  // set for Opened and Created
    FileState state = FileState::Held;
};

// Opens compound files by path. A file that cannot be read is never
// replaced on the spot: it is set aside, so that nothing of the parent's is
// lost, and a new one is made in its place.
class CompoundFiles {
  public:
    virtual ~CompoundFiles() = default;

    // Opens the file read-write with exclusive sharing, or creates it when
    // there is none.
    virtual OpenedFile open(const std::string& path) = 0;
    // Moves the file out of the way, under its name with ".damaged" (and a
    // number, where that is taken) added. False when it stays.
    virtual bool setAside(const std::string& path) = 0;

    // The file opened or created; an unreadable one is set aside first and
    // a new one made. nullptr while it is held, or when it cannot be set aside.
    std::unique_ptr<CompoundFile> openOrCreate(const std::string& path);
};

// "tbl.log" -> "tbl.log.damaged", then "tbl.log.damaged2", ...: the n-th
// name to try (n from 1).
std::string setAsideName(const std::string& path, int n);

}  // namespace tb::storage
