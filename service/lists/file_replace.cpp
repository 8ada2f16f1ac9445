#include "service/lists/file_replace.h"

#include "service/lists/text_file.h"

namespace tb {

bool finishReplacement(const std::string& path) {
    const std::string temporary = path + ".new";
    return !fileExists(path) && fileExists(temporary) && moveIntoPlace(temporary, path);
}

bool replaceFileContents(const std::string& path, std::string_view bytes, bool textMode,
                         bool durable) {
    std::string out;
    if (textMode) {
        out.reserve(bytes.size() + bytes.size() / 16);
        for (char c : bytes) {
            if (c == '\n') out.push_back('\r');
            out.push_back(c);
        }
        bytes = out;
    }
    // Beside the file, so that the move stays on one volume.
    const std::string temporary = path + ".new";
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (!file) return false;
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() &&
                   std::fflush(file) == 0 && (!durable || flushToDisk(file));
    written = std::fclose(file) == 0 && written;
    if (written && moveIntoPlace(temporary, path, durable)) return true;
    std::remove(temporary.c_str());
    return false;
}

}  // namespace tb
