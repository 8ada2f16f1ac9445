// The two site logs kept in memory: siteLog, the addresses the filter let
// through, and blockedLog, the addresses it blocked. Each is an ordered map
// from the address, as UTF-16, to its record; keys sort by their code units,
// a key that is a prefix of another first.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "service/process/service_seams.h"

namespace tb {

// One logged address. Records are shared: an object handed out to a client
// keeps its record alive after the log has dropped it.
struct SiteRecord {
    uint8_t allowed = 1;  // 0 once the parent has disallowed the address
    int32_t hits = 1;
    std::string nextAddress;
    std::string previousAddress;
    std::string address;
    int32_t lastVisit = 0;
    uint8_t mark = 0;  // work flag of the members that prune a log
};
using SiteRecordPtr = std::shared_ptr<SiteRecord>;

class SiteLog {
  public:
    using Records = std::map<std::u16string, SiteRecordPtr>;
    static constexpr size_t kPruneAbove = 500;
    static constexpr int kPruneCount = 250;

    // Enters an address: a log of more than 500 records first loses its 250
    // oldest (by lastVisit, the first in key order on ties); then a fresh
    // record (allowed, one hit) replaces any stored under the key.
    void enter(std::u16string key, std::string_view address, int32_t lastVisit);
    // Stores a record as it is (reading a log file).
    void store(std::u16string key, SiteRecordPtr record);

    SiteRecordPtr find(const std::u16string& key) const;
    bool erase(const std::u16string& key) { return records_.erase(key) > 0; }
    void clear() { records_.clear(); }
    size_t size() const { return records_.size(); }
    const Records& records() const { return records_; }

  private:
    void prune();
    Records records_;
};

enum class SiteLogKind { Visited, Blocked };

// Both logs, with the rule for an entry's time: the network time for a web
// address, the computer's clock for anything else (and when the network
// time cannot be had).
class SiteLogs {
  public:
    SiteLogs(Clock& clock, const TextCodec& codec) : clock_(clock), codec_(codec) {}

    void logAddress(std::string_view address, SiteLogKind kind);
    SiteLog& log(SiteLogKind kind) { return kind == SiteLogKind::Visited ? visited_ : blocked_; }
    SiteLog& visited() { return visited_; }
    SiteLog& blocked() { return blocked_; }
    const SiteLog& visited() const { return visited_; }
    const SiteLog& blocked() const { return blocked_; }

    std::u16string keyOf(std::string_view address) const { return codec_.toUtf16(address); }
    SiteRecordPtr findVisited(std::string_view address) const {
        return visited_.find(keyOf(address));
    }
    void clear() {
        visited_.clear();
        blocked_.clear();
    }

  private:
    Clock& clock_;
    const TextCodec& codec_;
    SiteLog visited_;
    SiteLog blocked_;
};

}  // namespace tb
