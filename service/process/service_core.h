// The filtering service without its platform: the one object behind every
// member of Log. It owns the modules (the list files, the word table, the
// site logs, the filter decision) and the state they share, reaches the
// platform only through the seams it declares (service_seams.h), and answers
// in plain values; the Log object translates to and from automation types.
//
// Load and Save are made of named pieces in the order the service runs
// them; the pieces that the settings, the log files and the update check
// bring are marked where they go.
#pragma once

#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/filter/filter_engine.h"
#include "service/filter/filter_state.h"
#include "service/lists/list_store.h"
#include "service/lists/word_table.h"
#include "service/process/service_seams.h"
#include "service/sitelog/site_log.h"

namespace tb {

struct ServiceSeams {
    Clock& clock;
    Dialogs& dialogs;
    const TextCodec& codec;
    std::ostream& console;  // where UploadFromFile reports file errors
};

enum class ImportResult { Done, FormatError };

// An answer of getFirstUserWord and getNextUserWord: nothing while the
// service is not ready; a null word when there is none.
struct UserWordAnswer {
    bool ready = false;
    std::optional<std::string> word;
};

class ServiceCore {
  public:
    // The directory is the service directory, with its trailing separator.
    ServiceCore(std::string directory, ServiceSeams seams);
    ServiceCore(const ServiceCore&) = delete;
    ServiceCore& operator=(const ServiceCore&) = delete;

    // Load: reads everything this service keeps; true when ready.
    bool load();
    void closeFiles();                  // every file the service has open
    void resetForLoad();                // empty logs, default key, vendor pages
    bool openLists();                   // the nine list files and the block page paths
    void useRemotePagesWhereMissing();  // a missing local block page gives way to the remote one
    bool loadWords();  // category word files and tbu.dat; also after a category switch changes

    // Save: writes what the service keeps; nothing while not ready or while
    // the lists are corrupt. False when something could not be written.
    bool save();
    bool writeWordFile();

    // The filter.
    FilterVerdict filterURL(std::string_view strURL) { return engine_.filterURL(strURL); }
    std::optional<bool> isURLAllowed(std::string_view strURL) const {
        return engine_.isURLAllowed(strURL);
    }
    PageVerdict passesFilterList(std::string_view url, std::string_view checkStr) {
        return engine_.passesFilterList(url, checkStr);
    }
    bool internalURLMatch(std::string_view url) const { return engine_.internalURLMatch(url); }
    const std::string& localErrorPage() const { return state_.pages.zero; }

    // The lists. addURL answers the normalised address to hand back, or
    // nullopt when the address is left as it was.
    std::optional<std::string> addURL(std::string_view strURL, bool entireSite, bool allowed);
    ImportResult uploadFromFile(std::string_view path, std::string_view file, bool entireSite,
                                bool allow);
    std::optional<bool> addWordToBlock(std::string_view word);  // nullopt: not ready
    UserWordAnswer firstUserWord();
    UserWordAnswer nextUserWord();
    bool removeUserWord(std::string_view word);  // false: not ready
    std::vector<std::string> persBlockSites() { return lists_.entries(List::B, state_.listKey); }
    bool setPersBlockSites(const std::vector<std::string>& sites);
    std::vector<std::string> allowedSites() { return lists_.entries(List::A, state_.listKey); }
    bool setAllowedSites(const std::vector<std::string>& sites);
    std::vector<std::string> words() const { return words_.userWords(); }
    bool setWords(const std::vector<std::string>& words);

    // The modules and their state, for the members still to come and for
    // tests.
    FilterState& state() { return state_; }
    const FilterState& state() const { return state_; }
    WordTable& wordTable() { return words_; }
    SiteLogs& siteLogs() { return logs_; }
    ListStore& lists() { return lists_; }
    const std::string& directory() const { return state_.directory; }

  private:
    ServiceSeams seams_;
    FilterState state_;
    ListStore lists_;
    WordTable words_;
    SiteLogs logs_;
    FilterEngine engine_;
};

// EntireSite: the address's whole section, as the Manager's "Entire
// section" scope cuts it: cut after its last '/', or with '/' added when it
// has none. An address that ends in '/' already names its section.
std::string entireSection(std::string address);

}  // namespace tb
