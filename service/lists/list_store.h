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

#include "service/lists/list_file.h"
#include "service/lists/text_file.h"

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

class ListStore {
  public:
    // Opens the nine files of the directory (given with its trailing
    // separator) for reading; a missing A, B or C is created empty. False
    // when any of the nine is still not open.
    bool open(const std::string& directory);
    void close();

    bool isOpen(List list) const { return files_[listNumber(list)] != nullptr; }
    const std::string& path(List list) const { return paths_[listNumber(list)]; }

    // searchListFile on the list; the category lists by their index.
    bool search(List list, std::string& url);

    // The list's entries, decoded, in file order. Entries end at carriage
    // returns or line feeds; empty ones are skipped.
    std::vector<std::string> entries(List list, std::string_view key);
    // Reopens the list truncated and writes the entries encoded, each with a
    // carriage return. Nothing when the list is not open.
    bool rewrite(List list, const std::vector<std::string>& entries, std::string_view key);
    // Reopens the list for appending and adds one encoded entry.
    bool append(List list, std::string_view entry, std::string_view key);

    const ListIndex& index(List list) const {
        return indexes_[listNumber(list) - listNumber(List::D)];
    }
    // Bytes fetched from all nine files since they were opened.
    uint64_t bytesFetched() const;

  private:
    bool reopen(List list, TextFile::Mode mode);

    std::array<std::unique_ptr<TextFile>, kListCount> files_;
    std::array<std::string, kListCount> paths_;
    std::array<ListIndex, kCategoryCount> indexes_;
    uint64_t fetchedByClosed_ = 0;
};

}  // namespace tb
