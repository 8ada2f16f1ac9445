// DownloadDNAList: the visited addresses appended to "TBout.txt", one a
// line, then every list reloaded.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace tb::update {

inline constexpr char kVisitedListFile[] = "TBout.txt";

// Appends each address and a line end (CR LF, the text-mode rule) to the
// file, creating it when missing. False when it cannot be opened.
bool appendVisitedAddresses(const std::string& path, const std::vector<std::string>& addresses);

enum class DownloadResult { Done, NotReady, CannotOpen };

// With the lists loaded: append the visited-site log's addresses in the
// log's order, then reload.
DownloadResult downloadVisitedList(bool ready, const std::string& path,
                                   const std::vector<std::string>& addresses,
                                   const std::function<void()>& reload);

}  // namespace tb::update
