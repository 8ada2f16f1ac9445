#include "service/lists/list_store.h"

#include "common/list_encoding.h"
#include "service/lists/file_replace.h"

namespace tb {

std::string listFileName(List list) {
    std::string name = "TBinA.dat";
    name[4] = static_cast<char>('A' + listNumber(list));
    return name;
}

bool ListStore::open(const std::string& directory) {
    close();
    bool all = true;
    for (int n = 0; n < kListCount; ++n) {
        const List list = static_cast<List>(n);
        paths_[n] = directory + listFileName(list);
        files_[n] = TextFile::open(paths_[n], TextFile::Mode::Read);
        if (!files_[n] && list <= List::C)
            files_[n] = TextFile::open(paths_[n], TextFile::Mode::ReadWriteTruncate);
        all = all && files_[n];
    }
    return all;
}

void ListStore::close() {
    for (auto& file : files_) {
        if (file) fetchedByClosed_ += file->bytesFetched();
        file.reset();
    }
}

bool ListStore::search(List list, std::string& url) {
    TextFile* file = files_[listNumber(list)].get();
    if (!file) return false;
    ListIndex* index =
        isCategoryList(list) ? &indexes_[listNumber(list) - listNumber(List::D)] : nullptr;
    return searchListFile(*file, index, url);
}

std::vector<std::string> ListStore::entries(List list, std::string_view key) {
    std::vector<std::string> out;
    TextFile* file = files_[listNumber(list)].get();
    if (!file) return out;
    file->discardBuffer();
    file->seek(0);
    std::string line, entry;
    auto finish = [&] {
        if (entry.empty()) return;
        scrambleListText(entry, ScrambleMode::Decode, key);
        out.push_back(std::move(entry));
        entry.clear();
    };
    while (file->readLine(line, kListLineChars)) {
        for (char c : line) {
            if (c == '\r' || c == '\n') {
                finish();
            } else {
                entry.push_back(c);
            }
        }
    }
    finish();
    return out;
}

bool ListStore::reopen(List list, TextFile::Mode mode) {
    auto& file = files_[listNumber(list)];
    if (file) fetchedByClosed_ += file->bytesFetched();
    file.reset();
    file = TextFile::open(paths_[listNumber(list)], mode);
    return file != nullptr;
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
    auto& file = files_[listNumber(list)];
    fetchedByClosed_ += file->bytesFetched();
    file.reset();  // Windows replaces no file that is held open
    const bool replaced = replaceFileContents(paths_[listNumber(list)], text, true);
    file = TextFile::open(paths_[listNumber(list)], TextFile::Mode::Read);
    return replaced && file != nullptr;
}

bool ListStore::append(List list, std::string_view entry, std::string_view key) {
    if (!reopen(list, TextFile::Mode::AppendRead)) return false;
    TextFile& file = *files_[listNumber(list)];
    return file.write(encoded(std::string(entry.substr(0, kListLineChars)), key) + '\r') &&
           file.flush();
}

uint64_t ListStore::bytesFetched() const {
    uint64_t total = fetchedByClosed_;
    for (const auto& file : files_) {
        if (file) total += file->bytesFetched();
    }
    return total;
}

}  // namespace tb
