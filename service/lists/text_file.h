// Plain text files read and written the way a Windows text-mode stream
// treats them, on every platform: the file is opened in binary mode and this
// class applies the rule itself (CR LF reads as LF, LF writes as CR LF).
// Positions are byte offsets in the file, so a reader can seek back to
// exactly where a character began, natively and under Windows alike.
#pragma once

#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tb {

class TextFile {
  public:
    enum class Mode {
        Read,               // "r": must exist
        Write,              // "w": created or truncated
        ReadWriteTruncate,  // "w+": created or truncated, reading allowed
        AppendRead,         // "a+": created when missing, writes go to the end
    };
    static constexpr uint64_t kNoLimit = std::numeric_limits<uint64_t>::max();

    // nullptr when the file cannot be opened.
    static std::unique_ptr<TextFile> open(const std::string& path, Mode mode);
    // Takes over an open stream (tests and fuzzing use tmpfile()).
    static std::unique_ptr<TextFile> adopt(std::FILE* file);

    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // Byte position of the next character to read.
    uint64_t tell() const { return pos_; }
    void seek(uint64_t pos) { pos_ = pos; }
    // Forgets what was fetched, so that a file changed on disk is read anew.
    void discardBuffer();
    // The file's size now (0 when it cannot be told).
    uint64_t size();

    // Reads one line as fgets reads a text stream into a buffer of
    // maxChars + 1 bytes: at most maxChars characters, ending after the
    // first LF, and never reading at or past the byte position `limit`.
    // False when no character was read.
    bool readLine(std::string& line, size_t maxChars, uint64_t limit = kNoLimit);
    // Byte position just after the last lone CR of the line last read, or
    // nullopt when it had none.
    std::optional<uint64_t> afterLastCarriageReturn() const { return afterLastCr_; }

    // Writes at the end of the file, LF as CR LF.
    bool write(std::string_view text);
    bool flush();

    // Bytes fetched from the file since it was opened.
    uint64_t bytesFetched() const { return fetched_; }

  private:
    explicit TextFile(std::FILE* file);
    // Makes the byte at `pos` available; false at the end of the file.
    bool fetch(uint64_t pos);
    int byteAt(uint64_t pos) {
        if (pos < bufferStart_ || pos >= bufferStart_ + bufferLength_) {
            if (!fetch(pos)) return -1;
        }
        return static_cast<unsigned char>(buffer_[pos - bufferStart_]);
    }

    std::FILE* file_;
    std::vector<char> buffer_;
    uint64_t bufferStart_ = 0;
    size_t bufferLength_ = 0;
    uint64_t pos_ = 0;
    uint64_t fetched_ = 0;
    std::optional<uint64_t> afterLastCr_;
};

// The whole file in text mode; nullopt when it cannot be opened.
std::optional<std::string> readTextFile(const std::string& path);
// Replaces the file with the text in text mode (file_replace.h).
bool writeTextFile(const std::string& path, std::string_view text, bool durable = true);
bool fileExists(const std::string& path);
bool directoryExists(const std::string& path);

}  // namespace tb
