#include "service/lists/text_file.h"

#include "service/lists/file_replace.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace tb {

namespace {

constexpr size_t kBufferSize = 4096;

int seekTo(std::FILE* f, uint64_t pos, int whence) {
#ifdef _WIN32
    return _fseeki64(f, static_cast<__int64>(pos), whence);
#else
    return fseeko(f, static_cast<off_t>(pos), whence);
#endif
}

uint64_t tellOf(std::FILE* f) {
#ifdef _WIN32
    const __int64 p = _ftelli64(f);
#else
    const off_t p = ftello(f);
#endif
    return p < 0 ? 0 : static_cast<uint64_t>(p);
}

const char* modeText(TextFile::Mode mode) {
    switch (mode) {
        case TextFile::Mode::Read:
            return "rb";
        case TextFile::Mode::Write:
            return "wb";
        case TextFile::Mode::ReadWriteTruncate:
            return "w+b";
        case TextFile::Mode::AppendRead:
            return "a+b";
    }
    return "rb";
}

}  // namespace

TextFile::TextFile(std::FILE* file) : file_(file), buffer_(kBufferSize) {
    // Our own buffer does the buffering; the C library's would only copy.
    std::setvbuf(file_, nullptr, _IONBF, 0);
}

TextFile::~TextFile() {
    std::fclose(file_);
}

std::unique_ptr<TextFile> TextFile::open(const std::string& path, Mode mode) {
    std::FILE* f = std::fopen(path.c_str(), modeText(mode));
    if (!f) return nullptr;
    return std::unique_ptr<TextFile>(new TextFile(f));
}

std::unique_ptr<TextFile> TextFile::adopt(std::FILE* file) {
    if (!file) return nullptr;
    return std::unique_ptr<TextFile>(new TextFile(file));
}

void TextFile::discardBuffer() {
    bufferStart_ = 0;
    bufferLength_ = 0;
}

uint64_t TextFile::size() {
    if (seekTo(file_, 0, SEEK_END) != 0) return 0;
    return tellOf(file_);
}

bool TextFile::fetch(uint64_t pos) {
    bufferStart_ = pos;
    bufferLength_ = 0;
    if (seekTo(file_, pos, SEEK_SET) != 0) return false;
    bufferLength_ = std::fread(buffer_.data(), 1, buffer_.size(), file_);
    fetched_ += bufferLength_;
    return bufferLength_ > 0;
}

bool TextFile::readLine(std::string& line, size_t maxChars, uint64_t limit) {
    line.clear();
    afterLastCr_.reset();
    const uint64_t start = pos_;
    bool ended = false;
    while (!ended && line.size() < maxChars && pos_ < limit) {
        if (pos_ < bufferStart_ || pos_ >= bufferStart_ + bufferLength_) {
            if (!fetch(pos_)) break;
        }
        const char* run = buffer_.data() + (pos_ - bufferStart_);
        const uint64_t room = std::min<uint64_t>(maxChars - line.size(), limit - pos_);
        const size_t avail =
            static_cast<size_t>(std::min<uint64_t>(bufferStart_ + bufferLength_ - pos_, room));
        const void* lf = std::memchr(run, '\n', avail);
        const size_t n = lf ? static_cast<size_t>(static_cast<const char*>(lf) - run) + 1 : avail;
        line.append(run, n);
        pos_ += n;
        ended = lf != nullptr;
    }
    if (line.empty()) return false;
    // A line filled up with a carriage return: a line feed after it makes
    // the pair one line feed, the last character of the line.
    if (!ended && line.back() == '\r' && pos_ < limit && byteAt(pos_) == '\n') {
        line.push_back('\n');
        ++pos_;
        ended = true;
    }
    // CR LF reads as LF. Every character before the line's end stands for
    // one byte, so positions follow from indexes.
    if (ended && line.size() >= 2 && line[line.size() - 2] == '\r') line.erase(line.size() - 2, 1);
    const size_t end = ended ? line.size() - 1 : line.size();
    const size_t cr = std::string_view(line).substr(0, end).rfind('\r');
    if (cr != std::string_view::npos) afterLastCr_ = start + cr + 1;
    return true;
}

bool TextFile::write(std::string_view text) {
    discardBuffer();
    if (seekTo(file_, 0, SEEK_END) != 0) return false;
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n') out.push_back('\r');
        out.push_back(c);
    }
    return std::fwrite(out.data(), 1, out.size(), file_) == out.size();
}

bool TextFile::flush() {
    return std::fflush(file_) == 0;
}

std::optional<std::string> readTextFile(const std::string& path) {
    auto file = TextFile::open(path, TextFile::Mode::Read);
    if (!file) return std::nullopt;
    std::string all, line;
    while (file->readLine(line, kBufferSize)) all += line;
    return all;
}

bool writeTextFile(const std::string& path, std::string_view text, bool durable) {
    return replaceFileContents(path, text, true, durable);
}

bool fileExists(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    std::fclose(f);
    return true;
}

bool directoryExists(const std::string& path) {
    std::string p = path;
    // The C library's stat refuses a trailing separator on Windows, except
    // after a drive ("c:\").
    while (p.size() > 1 && (p.back() == '/' || p.back() == '\\') &&
           !(p.size() == 3 && p[1] == ':')) {
        p.pop_back();
    }
    if (p.empty()) return false;
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == S_IFDIR;
}

}  // namespace tb
