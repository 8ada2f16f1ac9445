// The site log files: tbl.log (the visited-site log) and tblB.log (the
// blocked-site log), each a compound file with one stream "Summary".
//
// Every text in a stream is kept encoded with the list key and converted to
// UTF-16 through the code page. tbl.log is written in format 2:
//   header "version 2", count, then per record: address, allowed (8-bit),
//   hits (32-bit), lastVisit (32-bit).
// Format 1, read only, begins with a null header string: a 32-bit value,
// count, two strings, then per record: address (under the default list
// key), allowed, hits, two strings; lastVisit is the time of reading.
// tblB.log: header "Blocked Log version 1" (not checked), count, then per
// record: address, lastVisit.
//
// Readers stop after count records, or where the stream really ends when it
// claims more than it holds; a record whose address is the null string is
// skipped.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/storage/code_page.h"
#include "service/storage/compound_file.h"

namespace tb::sitelog {

inline constexpr char kVisitedLogFile[] = "tbl.log";
inline constexpr char kBlockedLogFile[] = "tblB.log";
inline constexpr char kLogStream[] = "Summary";

// One record as stored; the address is the plain (decoded) text.
struct LoggedSite {
    std::string address;
    uint8_t allowed = 1;
    int32_t hits = 1;
    int32_t lastVisit = 0;

    bool operator==(const LoggedSite& o) const {
        return address == o.address && allowed == o.allowed && hits == o.hits &&
               lastVisit == o.lastVisit;
    }
};

struct DecodedLog {
    std::vector<LoggedSite> sites;
    int format = 2;        // tbl.log: 1 or 2
    bool complete = true;  // false: the stream ended before its count
    bool setAside = false;  // the file could not be read and was moved away: an empty log
};

// Stream bytes. `listKey` encodes and decodes everything but format 1,
// which is always under the default list key.
std::vector<uint8_t> encodeVisitedLog(const std::vector<LoggedSite>& sites,
                                      std::string_view listKey, const storage::CodePage& codePage);
DecodedLog decodeVisitedLog(const std::vector<uint8_t>& bytes, std::string_view listKey,
                            int32_t now, const storage::CodePage& codePage);

// Blocked records come back with allowed = 1 and hits = 0.
std::vector<uint8_t> encodeBlockedLog(const std::vector<LoggedSite>& sites,
                                      std::string_view listKey, const storage::CodePage& codePage);
DecodedLog decodeBlockedLog(const std::vector<uint8_t>& bytes, std::string_view listKey,
                            const storage::CodePage& codePage);

// The files. Saving writes the records in the order given (the logs' key
// order) and is false when the file or its stream cannot be opened or
// written. Loading: a missing file or stream is created holding an empty
// log; a file or stream that cannot be read is set aside (renamed, never
// deleted) and an empty log comes back marked so; nullopt while another
// program holds the file, which is then left as it is.
bool saveVisitedLog(storage::CompoundFiles& files, const std::string& path,
                    const std::vector<LoggedSite>& sites, std::string_view listKey,
                    const storage::CodePage& codePage);
std::optional<DecodedLog> loadVisitedLog(storage::CompoundFiles& files, const std::string& path,
                                         std::string_view listKey, int32_t now,
                                         const storage::CodePage& codePage);
bool saveBlockedLog(storage::CompoundFiles& files, const std::string& path,
                    const std::vector<LoggedSite>& sites, std::string_view listKey,
                    const storage::CodePage& codePage);
std::optional<DecodedLog> loadBlockedLog(storage::CompoundFiles& files, const std::string& path,
                                         std::string_view listKey,
                                         const storage::CodePage& codePage);

}  // namespace tb::sitelog
