#include "service/process/service_core.h"

#include <ostream>

#include "common/address.h"
#include "common/ansi_text.h"
#include "service/lists/import_file.h"

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
      engine_(state_, lists_, words_, logs_, [this] { load(); }) {
    state_.directory = std::move(directory);
    state_.pages = BlockPages::inDirectory(state_.directory);
}

// Load ---------------------------------------------------------------------
//
// Before the files: the installer's leftovers, the installation mode (and
// the second step of an uninstall), the browser helper registrations and the
// proxy-mode thread. Between the lists and the words: the update time and
// the settings. After the words: the password's registry copy, then the two
// site logs from their files and the filter state.

bool ServiceCore::load() {
    closeFiles();
    resetForLoad();
    state_.ready = openLists();
    useRemotePagesWhereMissing();
    if (state_.ready) state_.ready = loadWords();
    state_.listsCorrupt = false;
    return state_.ready;
}

void ServiceCore::closeFiles() {
    lists_.close();
}

void ServiceCore::resetForLoad() {
    logs_.clear();
    state_.listKey = kDefaultListKey;
    state_.updatePage = vendor::kUpdatePage;
    state_.updateErrorPage = vendor::kUpdateErrorPage;
    state_.pages.remote = vendor::kRemoteRestrictedPage;
}

bool ServiceCore::openLists() {
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

// Save ---------------------------------------------------------------------
//
// Before the word file: the update time, the two site logs and the settings
// streams; the word file is written only when all of those were.

bool ServiceCore::save() {
    if (!state_.ready || state_.listsCorrupt) return false;
    return writeWordFile();
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

bool ServiceCore::setPersBlockSites(const std::vector<std::string>& sites) {
    return lists_.rewrite(List::B, sites, state_.listKey);
}

bool ServiceCore::setAllowedSites(const std::vector<std::string>& sites) {
    return lists_.rewrite(List::A, sites, state_.listKey);
}

bool ServiceCore::setWords(const std::vector<std::string>& words) {
    // Before the table is loaded there is no password to write with the
    // words, and writing would empty tbu.dat.
    if (!words_.loaded()) return false;
    words_.setUserWords(words);
    return writeWordFile();
}

}  // namespace tb
