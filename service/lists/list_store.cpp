#include "service/lists/list_store.h"

#include "common/list_encoding.h"
#include "service/lists/file_replace.h"

#include <cstdio>

namespace tb {

std::string listFileName(List list) {
    std::string name = "TBinA.dat";
    name[4] = static_cast<char>('A' + listNumber(list));
    return name;
}

bool ListStore::open(const std::string& directory) {
    close();
    watch_.watch(directory);
    bool all = true;
    for (int n = 0; n < kListCount; ++n) {
        const List list = static_cast<List>(n);
        paths_[n] = directory + listFileName(list);
        if (!load(list) && list <= List::C && !fileStamp(paths_[n]))
            replaceFileContents(paths_[n], "") && load(list);
        all = all && isOpen(list);
    }
    return all;
}

void ListStore::close() {
    watch_.stop();
    for (int n = 0; n < kListCount; ++n) unload(static_cast<List>(n));
}

// A file that cannot be mapped leaves the list as it was.
bool ListStore::load(List list) {
    std::unique_ptr<HeldFile> file = HeldFile::open(paths_[listNumber(list)]);
    const std::optional<FileStamp> stamp = file ? file->stamp() : std::nullopt;
    const std::optional<MappedView> view = file ? file->map() : std::nullopt;
    if (!stamp || !view) return false;
    Open& open = lists_[listNumber(list)];
    unload(list);
    open.file = std::move(file);
    open.stamp = *stamp;
    open.index.build(view->bytes(), isCategoryList(list));
    return true;
}

void ListStore::unload(List list) {
    Open& open = lists_[listNumber(list)];
    open.index.clear();
    open.file.reset();
}

void ListStore::noticeChanges() {
    if (!watch_.changed()) return;
    for (int n = 0; n < kListCount; ++n) {
        if (!lists_[n].file) continue;
        const std::optional<FileStamp> now = fileStamp(paths_[n]);
        if (now && *now != lists_[n].stamp) load(static_cast<List>(n));
    }
}

bool ListStore::search(List list, std::string& url) {
    Open& open = lists_[listNumber(list)];
    if (!open.file) return false;
    return open.index.search(
        url, [&](uint64_t pos, char* out, size_t n) { return open.file->readAt(pos, out, n); });
}

std::vector<std::string> ListStore::entries(List list, std::string_view key) {
    std::vector<std::string> out;
    const Open& open = lists_[listNumber(list)];
    const std::optional<MappedView> view = open.file ? open.file->map() : std::nullopt;
    if (!view) return out;
    const std::string_view bytes = view->bytes();
    for (size_t pos = 0; pos < bytes.size();) {
        size_t end = bytes.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = bytes.size();
        if (end > pos) out.push_back(decoded(std::string(bytes.substr(pos, end - pos)), key));
        pos = end + 1;
    }
    return out;
}

// The new list replaces the old file as a whole (file_replace.h); the list
// is then read from the new file. When the replacement fails the old list
// stays in force.
bool ListStore::rewrite(List list, const std::vector<std::string>& entries, std::string_view key) {
    if (!isOpen(list)) return false;
    std::string text;
    for (const std::string& e : entries) {
        text += encoded(e.substr(0, kListLineChars), key);
        text += '\r';
    }
    unload(list);  // Windows replaces no file that is held open
    const bool replaced = replaceFileContents(paths_[listNumber(list)], text, true);
    return load(list) && replaced;
}

bool ListStore::append(List list, std::string_view entry, std::string_view key) {
    if (!isOpen(list)) return false;
    std::FILE* f = std::fopen(paths_[listNumber(list)].c_str(), "ab");
    if (!f) return false;
    std::string line;
    for (char c : encoded(std::string(entry.substr(0, kListLineChars)), key)) {
        if (c == '\n') line += '\r';  // as the lists are written: LF as CR LF
        line += c;
    }
    line += '\r';
    const bool written = std::fwrite(line.data(), 1, line.size(), f) == line.size();
    const bool closed = std::fclose(f) == 0;
    return load(list) && written && closed;
}

size_t ListStore::entryCount() const {
    size_t total = 0;
    for (const Open& open : lists_) total += open.index.entryCount();
    return total;
}

size_t ListStore::indexMemory() const {
    size_t total = 0;
    for (const Open& open : lists_) total += open.index.memoryBytes();
    return total;
}

}  // namespace tb
