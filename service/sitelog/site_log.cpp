#include "service/sitelog/site_log.h"

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

void SiteLog::prune() {
    for (int n = 0; n < kPruneCount && !records_.empty(); ++n) {
        auto oldest = records_.begin();
        for (auto it = records_.begin(); it != records_.end(); ++it) {
            if (it->second->lastVisit < oldest->second->lastVisit) oldest = it;
        }
        records_.erase(oldest);
    }
}

void SiteLogs::logAddress(std::string_view address, SiteLogKind kind) {
    std::optional<int32_t> time;
    if (isWebAddress(address)) time = clock_.networkTime();
    log(kind).enter(keyOf(address), address, time ? *time : clock_.localTime());
}

}  // namespace tb
