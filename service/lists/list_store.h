// The nine site list files, kept open from loading until the service ends
// or loads again: A the parent's allow list, B the parent's block list, C a
// second allow list, D to I the category lists (adult content, extremist,
// firearms, gambling, hate speech, satanic).
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "service/lists/directory_watch.h"
#include "service/lists/list_file.h"
#include "service/lists/list_search_index.h"
#include "service/lists/mapped_file.h"

namespace tb {

enum class List { A, B, C, D, E, F, G, H, I };
inline constexpr int kListCount = 9;
inline constexpr int kCategoryCount = 6;  // D to I

constexpr int listNumber(List list) {
    return static_cast<int>(list);
}
constexpr bool isCategoryList(List list) {
    return list >= List::D;
}
constexpr List categoryList(int category) {
    return static_cast<List>(listNumber(List::D) + category);
}
// "TBinA.dat" with the list's letter.
std::string listFileName(List list);

// Each list file is held open, and its search index is built when it is
// opened. noticeChanges() asks whether any list changed on disk since (a
// change notification on the directory, then each file's size and last
// write) and builds the index of a changed list again; the filter asks
// before every decision, so a list written by another program is used at
// once. A search reads the few bytes it needs from the file itself.
class ListStore {
  public:
    // Opens the nine files of the directory (given with its trailing
    // separator); a missing A, B or C is created empty. False when any of
    // the nine is still not open.
    bool open(const std::string& directory);
    void close();

    bool isOpen(List list) const { return lists_[listNumber(list)].file != nullptr; }
    const std::string& path(List list) const { return paths_[listNumber(list)]; }

    void noticeChanges();
    // The list's search: on a match the encoded address is cut at the
    // matching prefix.
    bool search(List list, std::string& url);

    // The list's entries, decoded, in file order. Entries end at carriage
    // returns or line feeds; empty ones are skipped.
    std::vector<std::string> entries(List list, std::string_view key);
    // Replaces the list with the entries encoded, each with a carriage
    // return. Nothing when the list is not open.
    bool rewrite(List list, const std::vector<std::string>& entries, std::string_view key);
    // Adds one encoded entry at the end of the list.
    bool append(List list, std::string_view entry, std::string_view key);

    // Entries indexed and memory held by the indexes, over the nine lists.
    size_t entryCount() const;
    size_t indexMemory() const;

  private:
    struct Open {
        std::unique_ptr<HeldFile> file;
        FileStamp stamp;  // of the bytes indexed
        ListSearchIndex index;
    };
    // Opens the file and builds its index; false (and the list as it was)
    // when it cannot be read.
    bool load(List list);
    void unload(List list);

    std::array<Open, kListCount> lists_;
    DirectoryWatch watch_;
    std::array<std::string, kListCount> paths_;
};

}  // namespace tb
