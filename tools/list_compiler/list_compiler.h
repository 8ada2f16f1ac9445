// The list compiler: what a list maintainer runs to turn plain address and
// word lists into the files the service reads.
//   category list  TBinD.dat to TBinI.dat: index header, entries by section
//   plain list     TBinA.dat to TBinC.dat: encoded entries, each ended by CR
//   word file      tbfD.dat to tbfI.dat: the key, then one word a line
// Every entry is encoded with the list key; the word file's first line
// carries that key (encoded with the default key), which is how the service
// learns it.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tb::listc {

// The entries of a plain text list: one a line, blanks around them, empty
// lines and lines starting with '#' left out.
std::vector<std::string> readLines(std::string_view text);

// An entry as the lists hold it: the address as given (normalised by the
// maintainer: lower case, no scheme), in lower case, at most 1023 characters.
std::string normalEntry(std::string_view address);

// Why a key cannot be used (it must survive the trip through the word
// file), or nullopt. The key is used in lower case.
std::optional<std::string> keyProblem(std::string_view key);
std::string usableKey(std::string_view key);

// File contents, ready to be written as they are.
std::string categoryListFile(const std::vector<std::string>& addresses, std::string_view key);
std::string plainListFile(const std::vector<std::string>& addresses, std::string_view key);
std::string categoryWordFile(const std::vector<std::string>& words, std::string_view key);

// The section an entry is filed under: its encoded fifth character, or ' '
// for an entry that is shorter or whose fifth character has no section.
char sectionOf(std::string_view encodedEntry);

}  // namespace tb::listc
