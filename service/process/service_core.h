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
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "service/filter/filter_engine.h"
#include "service/filter/filter_state.h"
#include "service/lists/list_store.h"
#include "service/lists/word_table.h"
#include "service/process/service_seams.h"
#include "service/settings/clock.h"
#include "service/settings/filter_switch.h"
#include "service/settings/manager_settings.h"
#include "service/settings/password.h"
#include "service/settings/settings_store.h"
#include "service/settings/settings_streams.h"
#include "service/sitelog/site_log.h"
#include "service/sitelog/site_log_file.h"
#include "service/storage/code_page.h"
#include "service/storage/compound_file.h"
#include "service/timed/timed_access.h"
#include "service/update/update_reminder.h"
#include "service/update/visited_list.h"

namespace tb {

// What a change of the filter switch tells outside the core: the hook
// library (THFilterOn) and the tray icon.
class FilterIndicators {
  public:
    virtual ~FilterIndicators() = default;
    virtual void filterOn(bool on) = 0;
    virtual void showFilterIcon(bool on) = 0;
};

// The first steps of Load that belong to the installation and the process
// (installer leftovers, a pending uninstall, browser helper registrations,
// proxy mode). False: Load goes no further.
class LoadSteps {
  public:
    virtual ~LoadSteps() = default;
    virtual bool beforeLoad() = 0;
};

// The seams of the password: the registry (its copy there, and updateTime),
// the service's dialogs and the local date of the master code. Without them
// no password can be checked or set and updateTime is kept in memory only.
struct PasswordSeams {
    Registry& registry;
    dialogs::ServiceDialogs& dialogs;
    const settings::Clock& calendar;
};

struct ServiceSeams {
    Clock& clock;
    Dialogs& dialogs;
    const TextCodec& codec;
    std::ostream& console;  // where UploadFromFile reports file errors
    // The compound files of the site logs and the settings, and the code
    // page of their texts. Without them the service keeps logs and settings
    // in memory only.
    storage::CompoundFiles* files = nullptr;
    const storage::CodePage* codePage = nullptr;
    const PasswordSeams* password = nullptr;
    FilterIndicators* indicators = nullptr;
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
    bool listKeyFits();     // the key just read against the parent's data
    void loadUpdateTime();  // the registry value, written at once when missing
    bool loadSettings();  // "TA" and "Cat" of tbd.dat
    bool loadSiteLogs();  // tbl.log, then tblB.log; never fails

    // Save: writes what the service keeps; nothing while not ready or while
    // the lists are corrupt. False when something could not be written.
    bool save();
    bool saveSiteLogs();  // tbl.log, then tblB.log
    bool saveSiteLog(SiteLogKind kind);
    bool saveSettings();  // "TA", then "Cat"
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

    void setLoadSteps(LoadSteps* steps) { loadSteps_ = steps; }

    // The site log members. GetVisitedSites/GetBlockedLog: one "lastVisit
    // address" per record, in key order.
    std::vector<std::string> loggedSites(SiteLogKind kind) const;
    // SetVisitedSites/SetBlockedLog: keeps only the records that the entries
    // (of the form loggedSites gives) name, and writes the log's file at
    // once. False when the file could not be written.
    bool keepLoggedSites(SiteLogKind kind, const std::vector<std::string>& entries);

    // The siteLog collection. The cursor of firstVisited/nextVisited is one
    // per service; nextVisited before any firstVisited gives nothing.
    SiteRecordPtr visitedRecord(std::string_view address) const;
    SiteRecordPtr firstVisited();
    SiteRecordPtr nextVisited();
    std::vector<SiteRecordPtr> visitedRecords() const;

    // The password and the filter switch. verifyPassword: nothing done and
    // the call incomplete without the password seams.
    settings::VerifyOutcome verifyPassword(std::string_view typed);
    // TBOn: whether filtering is on afterwards.
    bool tbOn(std::string_view password);
    // Filtering is on and browsing time counted: the state that ends every
    // complete Load, then set by Start/StopTimeLogging.
    bool filterActive() const { return settingsStore_->settings().filterActive != 0; }
    // The tray's password dialog: the password matches (no count, no dialog).
    bool passwordMatches(std::string_view typed) const;
    bool isMasterCode(std::string_view lowerText) const;
    std::optional<std::string> passwordEntry() const;
    void about();

    // The list-update reminder (needUpdate) and DownloadDNAList.
    update::NeedUpdateAnswer needUpdate(update::ReminderUi& ui);
    update::DownloadResult downloadDNAList();
    int32_t updateTime() const { return reminder_.updateTime(); }

    // Timed access, on the network clock (null: every operation that must
    // read it fails with NoClock).
    void setNetworkClock(NetworkClock* clock) { timed_.setClock(clock); }
    TimedOutcome addRefCount();
    TimedOutcome decRefCount();
    TimedOutcome startTimeLogging();
    TimedOutcome stopTimeLogging();
    TimedVerdict checkTimedAccess();
    uint32_t browserCount() const { return timed_.browserCount(); }

    // The parent's settings.
    settings::ManagerSettings& managerSettings() { return managerSettings_; }
    settings::Settings& settings() { return settingsStore_->settings(); }
    void setTimeServer(settings::TimeServerLink* link) { settingsStore_->setTimeServer(link); }
    // The first start after installation takes over the installer's time
    // zone ("tbhelp.dat"); true when there was one.
    bool takeOverInstallerTimezone();

    // The modules and their state, for the members still to come and for
    // tests.
    FilterState& state() { return state_; }
    const FilterState& state() const { return state_; }
    WordTable& wordTable() { return words_; }
    SiteLogs& siteLogs() { return logs_; }
    ListStore& lists() { return lists_; }
    const std::string& directory() const { return state_.directory; }

  private:
    std::optional<sitelog::DecodedLog> readSiteLog(SiteLogKind kind);
    SiteLog& logOf(SiteLogKind kind);

    // A category switch reloads the category words; a reset of the day's
    // usage is for timed access to act on.
    class SettingsReactions : public settings::SettingsHooks {
      public:
        explicit SettingsReactions(ServiceCore& core) : core_(core) {}
        void startCountingInterval() override { core_.startCountingInterval(); }
        void categoriesChanged() override { core_.categoriesChanged(); }

      private:
        ServiceCore& core_;
    };
    // Stands in for the files when the service keeps everything in memory.
    class NoCompoundFiles : public storage::CompoundFiles {
      public:
        storage::OpenedFile open(const std::string&) override { return {}; }
        bool setAside(const std::string&) override { return false; }
    };
    // The password and switch entries of the word table.
    class WordTableEntries : public settings::PasswordEntries {
      public:
        explicit WordTableEntries(WordTable& words) : words_(words) {}
        std::optional<std::string> password() const override;
        void setPassword(std::optional<std::string> password) override;
        std::optional<std::string> filterSwitch() const override;
        void setFilterSwitch(const std::string& value) override;

      private:
        WordTable& words_;
    };
    // The switch's reactions: the indicators outside, and the word file
    // that stores the switch.
    class SwitchReactions : public settings::FilterSwitchHooks {
      public:
        explicit SwitchReactions(ServiceCore& core) : core_(core) {}
        void filterOn(bool on) override {
            if (core_.seams_.indicators) core_.seams_.indicators->filterOn(on);
        }
        void showFilterIcon(bool on) override {
            if (core_.seams_.indicators) core_.seams_.indicators->showFilterIcon(on);
        }
        void writeWordFile() override { core_.writeWordFile(); }

      private:
        ServiceCore& core_;
    };
    void categoriesChanged();
    void startCountingInterval();
    void loadPassword();
    // Runs a timed-access step on the settings: they are handed to timed
    // access and what it counted comes back.
    template <class Step>
    auto timedStep(Step step) {
        toTimed();
        auto result = step();
        fromTimed();
        return result;
    }
    void toTimed();
    void fromTimed();
    storage::CompoundFiles& files() { return seams_.files ? *seams_.files : noFiles_; }
    const storage::CodePage& codePage() const {
        return seams_.codePage ? *seams_.codePage : latin1_;
    }
    std::string pathOf(const char* file) const { return state_.directory + file; }

    ServiceSeams seams_;
    storage::Latin1CodePage latin1_;
    NoCompoundFiles noFiles_;
    FilterState state_;
    // A log file that another program held at Load, by SiteLogKind: not
    // written over until it has been read.
    bool unreadLogs_[2] = {false, false};
    bool keyMismatchShown_ = false;
    ListStore lists_;
    WordTable words_;
    SiteLogs logs_;
    std::optional<std::u16string> cursor_;  // key of the record GetNextURL moves on from
    FilterEngine engine_;
    std::unique_ptr<settings::SettingsStore> settingsStore_;
    SettingsReactions reactions_{*this};
    settings::ManagerSettings managerSettings_;
    WordTableEntries passwordEntries_{words_};
    SwitchReactions switchReactions_{*this};
    std::unique_ptr<settings::PasswordKeeper> passwordKeeper_;  // with the password seams only
    TimedSettings timedSettings_;
    TimedAccess timed_{timedSettings_, nullptr};
    LoadSteps* loadSteps_ = nullptr;
    update::UpdateReminder reminder_{[this] { return int64_t{seams_.clock.localTime()}; }};
    update::StatFileTimes fileTimes_;
};

// EntireSite: the address's whole section, as the Manager's "Entire
// section" scope cuts it: cut after its last '/', or with '/' added when it
// has none. An address that ends in '/' already names its section.
std::string entireSection(std::string address);

}  // namespace tb
