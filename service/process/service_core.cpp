#include "service/process/service_core.h"

#include <ostream>

#include "common/address.h"
#include "common/ansi_text.h"
#include "service/lists/file_replace.h"
#include "service/lists/import_file.h"
#include "service/settings/first_run.h"
#include "service/settings/list_key_check.h"
#include "service/settings/update_time.h"
#include "service/sitelog/site_log_file.h"

namespace tb {

namespace {

bool isSeparator(char c) {
    return c == '/' || c == '\\';
}

// The file as the C library finds it after changing to the directory.
std::string pathIn(const std::string& directory, const std::string& file) {
    const bool absolute =
        (!file.empty() && isSeparator(file[0])) || (file.size() >= 2 && file[1] == ':');
    if (absolute || directory.empty()) return file;
    if (isSeparator(directory.back())) return directory + file;
    return directory + (directory.find('\\') != std::string::npos ? "\\" : "/") + file;
}

}  // namespace

std::string entireSection(std::string address) {
    if (!address.empty() && address.back() == '/') return address;
    const size_t slash = address.rfind('/');
    if (slash == std::string::npos) return address + '/';
    address.resize(slash + 1);
    return address;
}

ServiceCore::ServiceCore(std::string directory, ServiceSeams seams)
    : seams_(seams),
      logs_(seams.clock, seams.codec),
      engine_(state_, lists_, words_, logs_, [this] { load(); }),
      settingsStore_(std::make_unique<settings::SettingsStore>(
          files(), (directory + settings::kSettingsFile), codePage())),
      managerSettings_(*settingsStore_, reactions_) {
    state_.directory = std::move(directory);
    state_.pages = BlockPages::inDirectory(state_.directory);
    state_.categoryStates = settingsStore_->settings().categoryStates;
    if (seams_.password) {
        passwordKeeper_ = std::make_unique<settings::PasswordKeeper>(
            passwordEntries_, seams_.password->registry, seams_.password->dialogs,
            seams_.password->calendar);
    }
}

// Load ---------------------------------------------------------------------
//
// Before the files: the installer's leftovers, the installation mode (and
// the second step of an uninstall), the browser helper registrations and the
// proxy-mode thread. Between the lists and the words: the update time and
// the settings. After the words: the password's registry copy, then the two
// site logs from their files and the filter state.

bool ServiceCore::load() {
    if (loadSteps_ && !loadSteps_->beforeLoad()) return state_.ready;
    closeFiles();
    resetForLoad();
    state_.ready = openLists();
    useRemotePagesWhereMissing();
    loadUpdateTime();
    if (state_.ready) state_.ready = loadSettings();
    if (state_.ready) state_.ready = loadWords() && listKeyFits();
    if (state_.ready) loadPassword();
    if (state_.ready) state_.ready = loadSiteLogs();
    state_.listsCorrupt = false;
    if (state_.ready) {
        settings().filterActive = settings::filterStateAtLoad(passwordEntries_, switchReactions_,
                                                              state_.ready, state_.listsCorrupt);
    }
    return state_.ready;
}

void ServiceCore::closeFiles() {
    lists_.close();
}

void ServiceCore::resetForLoad() {
    state_.keyMismatch = false;
    keyMismatchShown_ = false;
    logs_.clear();
    cursor_.reset();
    if (passwordKeeper_) passwordKeeper_->resetWrongPasswordCount();
    state_.listKey = kDefaultListKey;
    state_.updatePage = vendor::kUpdatePage;
    state_.updateErrorPage = vendor::kUpdateErrorPage;
    state_.pages.remote = vendor::kRemoteRestrictedPage;
}

bool ServiceCore::openLists() {
    for (const std::string name : {listFileName(List::A), listFileName(List::B),
                                   listFileName(List::C), std::string(kWordFileName)})
        finishReplacement(state_.directory + name);
    const std::string remote = state_.pages.remote;
    state_.pages = BlockPages::inDirectory(state_.directory);
    state_.pages.remote = remote;
    return lists_.open(state_.directory);
}

void ServiceCore::useRemotePagesWhereMissing() {
    for (std::string* page : {&state_.pages.lists, &state_.pages.time, &state_.pages.words}) {
        if (!fileExists(*page)) *page = state_.pages.remote;
    }
}

bool ServiceCore::loadWords() {
    return words_.load(state_.directory, state_.categoryStates, state_.listKey);
}

// A key that does not fit the parent's data leaves the lists not ready:
// the browser goes to the update pages, and nothing of the parent's is read
// or written with the wrong key until the category lists are put right.
bool ServiceCore::listKeyFits() {
    if (!seams_.password) return true;
    state_.keyMismatch = settings::checkListKey(seams_.password->registry, state_.listKey) ==
                         settings::ListKeyCheck::Mismatch;
    return !state_.keyMismatch;
}

// Nothing here stops the service (the filter would otherwise let
// everything through): a time component that is missing or refuses the
// zone, a settings file that cannot be read (set aside) or is held by
// another program (the values held stay in force).
bool ServiceCore::loadSettings() {
    if (!seams_.files) return true;
    settingsStore_->loadTimedAccess();
    settingsStore_->loadCategories();
    state_.categoryStates = settingsStore_->settings().categoryStates;
    return true;
}

namespace {

void storeLoaded(SiteLog& log, const SiteLogs& logs, const std::vector<sitelog::LoggedSite>& sites) {
    for (const sitelog::LoggedSite& site : sites) {
        // A record made from the file is made as a visit makes one: the
        // next and previous addresses start as its own.
        auto record = std::make_shared<SiteRecord>();
        record->address = record->nextAddress = record->previousAddress = site.address;
        record->allowed = site.allowed;
        record->hits = site.hits;
        record->lastVisit = site.lastVisit;
        log.store(logs.keyOf(site.address), std::move(record));
    }
}

std::vector<sitelog::LoggedSite> sitesOf(const SiteLog& log) {
    std::vector<sitelog::LoggedSite> sites;
    sites.reserve(log.size());
    for (const auto& [key, record] : log.records()) {
        sites.push_back({record->address, record->allowed, record->hits, record->lastVisit});
    }
    return sites;
}

}  // namespace

// A log that cannot be read never switches filtering off: a damaged file
// was set aside and the log starts empty; one that another program holds
// is kept in memory and its file left alone until it has been read
// (saveSiteLog).
bool ServiceCore::loadSiteLogs() {
    if (!seams_.files) return true;
    for (SiteLogKind kind : {SiteLogKind::Visited, SiteLogKind::Blocked}) {
        const std::optional<sitelog::DecodedLog> loaded = readSiteLog(kind);
        unreadLogs_[static_cast<int>(kind)] = !loaded;
        if (loaded) storeLoaded(logOf(kind), logs_, loaded->sites);
    }
    return true;
}

std::optional<sitelog::DecodedLog> ServiceCore::readSiteLog(SiteLogKind kind) {
    if (kind == SiteLogKind::Visited) {
        const std::optional<int32_t> network = seams_.clock.networkTime();
        const int32_t now = network ? *network : seams_.clock.localTime();
        return sitelog::loadVisitedLog(files(), pathOf(sitelog::kVisitedLogFile), state_.listKey,
                                       now, codePage());
    }
    return sitelog::loadBlockedLog(files(), pathOf(sitelog::kBlockedLogFile), state_.listKey,
                                   codePage());
}

SiteLog& ServiceCore::logOf(SiteLogKind kind) {
    return kind == SiteLogKind::Visited ? logs_.visited() : logs_.blocked();
}

// The category words are read again, and with them tbu.dat, whose password
// entry the registry copy then settles.
void ServiceCore::categoriesChanged() {
    state_.categoryStates = settingsStore_->settings().categoryStates;
    if (state_.ready) state_.ready = loadWords() && listKeyFits();
    if (state_.ready) loadPassword();
}

bool ServiceCore::takeOverInstallerTimezone() {
    if (!seams_.files) return false;
    return settings::takeOverInstallerTimezone(state_.directory, *settingsStore_);
}

void ServiceCore::loadPassword() {
    if (passwordKeeper_) passwordKeeper_->loadPassword();
}

// Password and filter switch -------------------------------------------------

std::optional<std::string> ServiceCore::WordTableEntries::password() const {
    if (!words_.loaded()) return std::nullopt;
    return words_.slot(words_.userWordStart());
}
void ServiceCore::WordTableEntries::setPassword(std::optional<std::string> password) {
    words_.passwordEntry() = std::move(password);
}
std::optional<std::string> ServiceCore::WordTableEntries::filterSwitch() const {
    if (!words_.loaded()) return std::nullopt;
    return words_.slot(words_.userWordStart() + 1);
}
void ServiceCore::WordTableEntries::setFilterSwitch(const std::string& value) {
    words_.switchEntry() = value;
}

// A password set or changed reaches the word file at once: the registry
// keeps a copy only where one was kept before, and a service ended before
// its next Save would otherwise forget it.
settings::VerifyOutcome ServiceCore::verifyPassword(std::string_view typed) {
    if (!passwordKeeper_) return {false, false};
    const std::optional<std::string> before = passwordEntries_.password();
    const settings::VerifyOutcome outcome = passwordKeeper_->verifyPassword(typed, state_.ready);
    if (passwordEntries_.password() != before) writeWordFile();
    return outcome;
}

bool ServiceCore::tbOn(std::string_view password) {
    return settings::tbOn(passwordEntries_, switchReactions_, password, state_.ready,
                          state_.listsCorrupt);
}

bool ServiceCore::passwordMatches(std::string_view typed) const {
    return passwordKeeper_ && passwordKeeper_->matches(typed);
}

bool ServiceCore::isMasterCode(std::string_view lowerText) const {
    return passwordKeeper_ && passwordKeeper_->isMasterCode(lowerText);
}

std::optional<std::string> ServiceCore::passwordEntry() const {
    return passwordEntries_.password();
}

void ServiceCore::about() {
    if (seams_.password) settings::about(seams_.password->dialogs);
}

// Update reminder ------------------------------------------------------------

void ServiceCore::loadUpdateTime() {
    if (!seams_.password) {
        reminder_.listsLoaded(std::nullopt);
        return;
    }
    const int32_t stored =
        settings::loadUpdateTime(seams_.password->registry, seams_.password->calendar);
    reminder_.listsLoaded(static_cast<uint32_t>(stored));
}

// The parent learns of a list key that does not fit once per load, at the
// first question of the browser.
update::NeedUpdateAnswer ServiceCore::needUpdate(update::ReminderUi& ui) {
    if (state_.keyMismatch && !keyMismatchShown_ && seams_.password) {
        keyMismatchShown_ = true;
        seams_.password->dialogs.show(IDD_LISTS_MISMATCH);
    }
    return reminder_.needUpdate(state_.ready, pathOf(update::kAgeListFile), fileTimes_, ui);
}

// The reload reads the logs from their files, so what the service holds is
// saved first: the visits since the last Save are not lost.
update::DownloadResult ServiceCore::downloadDNAList() {
    std::vector<std::string> addresses;
    for (const auto& entry : logs_.visited().records()) addresses.push_back(entry.second->address);
    return update::downloadVisitedList(state_.ready, pathOf(update::kVisitedListFile), addresses,
                                       [this] {
                                           save();
                                           load();
                                       });
}

// Timed access ---------------------------------------------------------------

void ServiceCore::toTimed() {
    const settings::Settings& s = settings();
    timedSettings_.accessHours = s.accessHours;
    timedSettings_.dailyAllowance = s.dailyAllowance;
    timedSettings_.usedToday = s.usedToday;
    timedSettings_.usageDate = {s.usageDate.dayOfMonth, s.usageDate.month,
                                s.usageDate.yearsSince1900};
    timedSettings_.intervalStart = static_cast<uint32_t>(s.intervalStart);
    timedSettings_.timedAccessEnabled = static_cast<uint16_t>(s.timedAccessEnabled);
    timedSettings_.filterActive = static_cast<uint16_t>(s.filterActive);
}

void ServiceCore::fromTimed() {
    settings::Settings& s = settings();
    s.usedToday = timedSettings_.usedToday;
    s.usageDate = {timedSettings_.usageDate.dayOfMonth, timedSettings_.usageDate.month,
                   timedSettings_.usageDate.yearsSince1900};
    s.intervalStart = static_cast<int32_t>(timedSettings_.intervalStart);
    s.filterActive = static_cast<int16_t>(timedSettings_.filterActive);
}

// A new allowance or time zone: the day's count starts again from now.
void ServiceCore::startCountingInterval() {
    timedStep([this] { return timed_.startInterval(); });
}

TimedOutcome ServiceCore::addRefCount() {
    return timedStep([this] { return timed_.addRefCount(); });
}
TimedOutcome ServiceCore::decRefCount() {
    return timedStep([this] { return timed_.decRefCount(); });
}
TimedOutcome ServiceCore::startTimeLogging() {
    return timedStep([this] { return timed_.startTimeLogging(); });
}
TimedOutcome ServiceCore::stopTimeLogging() {
    return timedStep([this] { return timed_.stopTimeLogging(); });
}
TimedVerdict ServiceCore::checkTimedAccess() {
    return timedStep([this] { return timed_.checkTimedAccess(); });
}

// Save ---------------------------------------------------------------------
//
// Before the word file: the update time, the two site logs and the settings
// streams; the word file is written only when all of those were.

// Each file is written whatever became of the others: a log that another
// program holds must not keep the parent's words and password from disk.
bool ServiceCore::save() {
    if (!state_.ready || state_.listsCorrupt) return false;
    if (seams_.password) settings::storeUpdateTime(seams_.password->registry, reminder_.updateTime());
    const bool logs = saveSiteLogs();
    const bool settingsSaved = saveSettings();
    return writeWordFile() && logs && settingsSaved;
}

bool ServiceCore::saveSiteLogs() {
    const bool visited = saveSiteLog(SiteLogKind::Visited);
    const bool blocked = saveSiteLog(SiteLogKind::Blocked);
    return visited && blocked;
}

bool ServiceCore::saveSiteLog(SiteLogKind kind) {
    if (!seams_.files) return true;
    // A file that could not be read at Load is read first: its records join
    // those made since (which win), and only then is it written.
    bool& unread = unreadLogs_[static_cast<int>(kind)];
    if (unread) {
        const std::optional<sitelog::DecodedLog> loaded = readSiteLog(kind);
        if (!loaded) return false;
        unread = false;
        SiteLog& log = logOf(kind);
        for (const sitelog::LoggedSite& site : loaded->sites) {
            if (!log.find(logs_.keyOf(site.address))) storeLoaded(log, logs_, {site});
        }
    }
    if (kind == SiteLogKind::Visited) {
        return sitelog::saveVisitedLog(files(), pathOf(sitelog::kVisitedLogFile),
                                       sitesOf(logs_.visited()), state_.listKey, codePage());
    }
    return sitelog::saveBlockedLog(files(), pathOf(sitelog::kBlockedLogFile),
                                   sitesOf(logs_.blocked()), state_.listKey, codePage());
}

// Site log members -----------------------------------------------------------

std::vector<std::string> ServiceCore::loggedSites(SiteLogKind kind) const {
    const SiteLog& log = kind == SiteLogKind::Visited ? logs_.visited() : logs_.blocked();
    std::vector<std::string> entries;
    entries.reserve(log.size());
    for (const auto& [key, record] : log.records()) {
        entries.push_back(std::to_string(record->lastVisit) + ' ' + record->address);
    }
    return entries;
}

// The number before the first blank is not used; an entry without a blank
// is taken as an address of its own rather than dropping the record it
// names.
bool ServiceCore::keepLoggedSites(SiteLogKind kind, const std::vector<std::string>& entries) {
    SiteLog& log = logs_.log(kind);
    for (const std::string& entry : entries) {
        const size_t blank = entry.find(' ');
        const std::string address = blank == std::string::npos ? entry : entry.substr(blank + 1);
        if (const SiteRecordPtr record = log.find(logs_.keyOf(address))) record->mark = 1;
    }
    std::vector<std::u16string> unmarked;
    for (const auto& [key, record] : log.records()) {
        if (!record->mark) unmarked.push_back(key);
        record->mark = 0;
    }
    for (const std::u16string& key : unmarked) log.erase(key);
    return saveSiteLog(kind);
}

SiteRecordPtr ServiceCore::visitedRecord(std::string_view address) const {
    return logs_.findVisited(address);
}

SiteRecordPtr ServiceCore::firstVisited() {
    const SiteLog::Records& records = logs_.visited().records();
    if (records.empty()) {
        cursor_.reset();
        return nullptr;
    }
    cursor_ = records.begin()->first;
    return records.begin()->second;
}

// The cursor is the key last handed out, so a log changed in between never
// leaves it dangling: it goes on with the next key still there.
SiteRecordPtr ServiceCore::nextVisited() {
    if (!cursor_) return nullptr;
    const SiteLog::Records& records = logs_.visited().records();
    const auto next = records.upper_bound(*cursor_);
    if (next == records.end()) {
        cursor_.reset();
        return nullptr;
    }
    cursor_ = next->first;
    return next->second;
}

std::vector<SiteRecordPtr> ServiceCore::visitedRecords() const {
    std::vector<SiteRecordPtr> records;
    records.reserve(logs_.visited().size());
    for (const auto& entry : logs_.visited().records()) records.push_back(entry.second);
    return records;
}

bool ServiceCore::saveSettings() {
    if (!seams_.files) return true;
    return settingsStore_->writeTimedAccess() && settingsStore_->writeCategories();
}

bool ServiceCore::writeWordFile() {
    return writeTextFile(state_.directory + kWordFileName, words_.wordFileText(state_.listKey));
}

// The lists ----------------------------------------------------------------

std::optional<std::string> ServiceCore::addURL(std::string_view strURL, bool entireSite,
                                               bool allowed) {
    if (!state_.ready) return std::nullopt;
    std::string text(cString(strURL));
    for (char& c : text) {
        if (c == '\\') c = '/';
    }
    if (text.size() > kLongestFiltered) return std::nullopt;
    std::string address = stripScheme(text);
    if (entireSite) address = entireSection(std::move(address));
    if (const SiteRecordPtr record = logs_.findVisited(address)) {
        record->allowed = allowed ? 1 : 0;
    } else {
        lists_.append(List::B, address, state_.listKey);
    }
    return address;
}

ImportResult ServiceCore::uploadFromFile(std::string_view path, std::string_view file,
                                         bool entireSite, bool allow) {
    const std::string directory(cString(path));
    if (!directoryExists(directory)) {
        seams_.console << "Unable to locate the directory: " << directory << "\n";
        return ImportResult::Done;
    }
    auto input =
        TextFile::open(pathIn(directory, std::string(cString(file))), TextFile::Mode::Read);
    if (!input) {
        seams_.console << "The file 'data' was not opened\n";
        return ImportResult::Done;
    }
    const ImportFile import = readImportFile(*input);
    input.reset();
    if (!import.wellFormed) {
        seams_.dialogs.show({ServiceDialog::ImportError, kImportErrorTitle, kImportErrorText});
        return ImportResult::FormatError;
    }
    for (const std::string& address : import.addresses) addURL(address, entireSite, allow);
    return ImportResult::Done;
}

std::optional<bool> ServiceCore::addWordToBlock(std::string_view word) {
    if (!state_.ready) return std::nullopt;
    return words_.addWord(cString(word));
}

UserWordAnswer ServiceCore::firstUserWord() {
    if (!state_.ready) return {};
    return {true, words_.firstUserWord()};
}

UserWordAnswer ServiceCore::nextUserWord() {
    if (!state_.ready) return {};
    return {true, words_.nextUserWord()};
}

bool ServiceCore::removeUserWord(std::string_view word) {
    if (!state_.ready) return false;
    words_.removeUserWord(cString(word));
    return true;
}

// Nothing is written while the lists are not ready: the key may be one that
// does not fit them.
bool ServiceCore::setPersBlockSites(const std::vector<std::string>& sites) {
    return state_.ready && lists_.rewrite(List::B, sites, state_.listKey);
}

bool ServiceCore::setAllowedSites(const std::vector<std::string>& sites) {
    return state_.ready && lists_.rewrite(List::A, sites, state_.listKey);
}

bool ServiceCore::setWords(const std::vector<std::string>& words) {
    // Before the table is loaded there is no password to write with the
    // words, and writing would empty tbu.dat; nor while not ready.
    if (!words_.loaded() || !state_.ready) return false;
    words_.setUserWords(words);
    return writeWordFile();
}

}  // namespace tb
