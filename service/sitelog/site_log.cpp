#include "service/sitelog/site_log.h"

#include <algorithm>
#include <vector>

#include "common/address.h"

namespace tb {

void SiteLog::enter(std::u16string key, std::string_view address, int32_t lastVisit) {
    auto record = std::make_shared<SiteRecord>();
    record->address = record->nextAddress = record->previousAddress = std::string(address);
    record->lastVisit = lastVisit;
    if (records_.size() > kPruneAbove) prune();
    records_[std::move(key)] = std::move(record);
}

void SiteLog::store(std::u16string key, SiteRecordPtr record) {
    records_[std::move(key)] = std::move(record);
}

SiteRecordPtr SiteLog::find(const std::u16string& key) const {
    const auto it = records_.find(key);
    return it == records_.end() ? nullptr : it->second;
}

// The oldest records go, the first in key order among equally old ones: as
// taking the oldest away one at a time, in one pass.
void SiteLog::prune() {
    std::vector<Records::iterator> order;
    order.reserve(records_.size());
    for (auto it = records_.begin(); it != records_.end(); ++it) order.push_back(it);
    const size_t count = std::min<size_t>(kPruneCount, order.size());
    auto older = [](Records::iterator a, Records::iterator b) {
        const int32_t ta = a->second->lastVisit, tb = b->second->lastVisit;
        return ta != tb ? ta < tb : a->first < b->first;
    };
    std::nth_element(order.begin(), order.begin() + static_cast<long>(count), order.end(), older);
    for (size_t i = 0; i < count; ++i) records_.erase(order[i]);
}

void SiteLogs::logAddress(std::string_view address, SiteLogKind kind) {
    std::optional<int32_t> time;
    if (isWebAddress(address)) time = clock_.networkTime();
    log(kind).enter(keyOf(address), address, time ? *time : clock_.localTime());
}

}  // namespace tb
