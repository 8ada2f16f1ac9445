#include "service/update/visited_list.h"

#include <fstream>

namespace tb::update {

bool appendVisitedAddresses(const std::string& path, const std::vector<std::string>& addresses) {
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (!out) return false;
    for (const std::string& address : addresses) out << address << "\r\n";
    return static_cast<bool>(out.flush());
}

DownloadResult downloadVisitedList(bool ready, const std::string& path,
                                   const std::vector<std::string>& addresses,
                                   const std::function<void()>& reload) {
    if (!ready) return DownloadResult::NotReady;
    if (!appendVisitedAddresses(path, addresses)) return DownloadResult::CannotOpen;
    if (reload) reload();
    return DownloadResult::Done;
}

}  // namespace tb::update
