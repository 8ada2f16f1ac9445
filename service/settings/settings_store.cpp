#include "service/settings/settings_store.h"

#include "service/settings/settings_streams.h"
#include "service/storage/stream_replace.h"

namespace tb::settings {

namespace {

template <class T>
void keepChanged(const T& atLoad, const T& held, T& merged) {
    if (!(held == atLoad)) merged = held;
}

// merged holds the file's values: each value the service changed since Load
// (a parent's change made while the file was held) keeps its new value.
void keepChangesSinceLoad(const Settings& atLoad, const Settings& held, Settings& merged) {
    for (size_t d = 0; d < held.accessHours.size(); ++d) {
        keepChanged(atLoad.accessHours[d], held.accessHours[d], merged.accessHours[d]);
        keepChanged(atLoad.dailyAllowance[d], held.dailyAllowance[d], merged.dailyAllowance[d]);
    }
    keepChanged(atLoad.usedToday, held.usedToday, merged.usedToday);
    keepChanged(atLoad.usageDate, held.usageDate, merged.usageDate);
    keepChanged(atLoad.timezoneName, held.timezoneName, merged.timezoneName);
    keepChanged(atLoad.filterActive, held.filterActive, merged.filterActive);
    keepChanged(atLoad.timedAccessEnabled, held.timedAccessEnabled, merged.timedAccessEnabled);
    for (size_t c = 0; c < held.categoryStates.size(); ++c)
        keepChanged(atLoad.categoryStates[c], held.categoryStates[c], merged.categoryStates[c]);
    merged.intervalStart = held.intervalStart;
    merged.timezoneOffset = timezoneOffsetOf(merged.timezoneName.value_or(""));
}

}  // namespace

SettingsResult SettingsStore::load() {
    const SettingsResult timed = loadTimedAccess();
    if (!timed.ok()) return timed;
    return loadCategories();
}

// tbd.dat as Load finds it. An unreadable file is set aside and a new one
// made; one that another program holds is left alone, the values held stay
// in force and nothing is written over it until it has been read.
std::unique_ptr<storage::CompoundFile> SettingsStore::openAtLoad() {
    storage::OpenedFile opened = files_.open(path_);
    if (opened.state == storage::FileState::Unreadable) {
        if (files_.setAside(path_)) opened = files_.open(path_);
    }
    // What the values were when the file was first found held: read later,
    // the file's values replace only those not changed since.
    if (!opened.file && !unread_) atLoad_ = settings_;
    unread_ = !opened.file;
    return std::move(opened.file);
}

// A stream that is there but cannot be read: the file is set aside whole,
// and a new one holds what could be read with the defaults for the rest.
void SettingsStore::setAsideDamaged(std::unique_ptr<storage::CompoundFile> file) {
    if (const auto other = storage::readStream(*file, kCategoryStream))
        decodeCategories(*other, settings_);
    file.reset();
    if (!files_.setAside(path_)) {
        unread_ = true;
        return;
    }
    writeTimedAccess();
    writeCategories();
}

SettingsResult SettingsStore::loadTimedAccess() {
    std::unique_ptr<storage::CompoundFile> file = openAtLoad();
    if (!file) return {};
    const std::optional<std::vector<uint8_t>> bytes =
        storage::readStream(*file, kTimedAccessStream);
    if (!bytes) {
        if (file->hasStream(kTimedAccessStream)) {
            setAsideDamaged(std::move(file));
        } else {
            storage::ensureStream(*file, kTimedAccessStream);
        }
        return {};
    }
    file.reset();
    if (!decodeTimedAccess(*bytes, settings_, codePage_)) return {};
    settings_.timezoneOffset = timezoneOffsetOf(settings_.timezoneName.value_or(""));
    return passOffsetToTimeServer();
}

SettingsResult SettingsStore::loadCategories() {
    std::unique_ptr<storage::CompoundFile> file = openAtLoad();
    if (!file) return {};
    const std::optional<std::vector<uint8_t>> bytes = storage::readStream(*file, kCategoryStream);
    if (!bytes) {
        if (file->hasStream(kCategoryStream)) {
            setAsideDamaged(std::move(file));
        } else {
            storage::replaceStream(*file, kCategoryStream, encodeCategories(settings_));
        }
        return {};
    }
    decodeCategories(*bytes, settings_);
    return {};
}

// A file held at Load is read when it can be had again: its values (the
// parent's) replace those held meanwhile, except those changed since Load.
bool SettingsStore::readIfUnread() {
    if (!unread_) return true;
    if (files_.open(path_).state == storage::FileState::Held) return false;
    const Settings held = settings_;
    settings_ = atLoad_;
    loadTimedAccess();
    loadCategories();
    if (unread_) {
        settings_ = held;
        return false;
    }
    const std::optional<std::string> fileZone = settings_.timezoneName;
    keepChangesSinceLoad(atLoad_, held, settings_);
    if (settings_.timezoneName != fileZone) passOffsetToTimeServer();
    return true;
}

bool SettingsStore::writeTimedAccess() {
    if (!readIfUnread()) return false;
    std::unique_ptr<storage::CompoundFile> file = files_.openOrCreate(path_);
    return file && storage::replaceStream(*file, kTimedAccessStream,
                                          encodeTimedAccess(settings_, codePage_));
}

bool SettingsStore::writeCategories() {
    if (!readIfUnread()) return false;
    std::unique_ptr<storage::CompoundFile> file = files_.openOrCreate(path_);
    return file && storage::replaceStream(*file, kCategoryStream, encodeCategories(settings_));
}

SettingsResult SettingsStore::passOffsetToTimeServer() {
    if (!timeServer_) return {SettingsStatus::NoTimeServer};
    const long code = timeServer_->setTimezoneOffset(settings_.timezoneOffset);
    if (code != 0) return {SettingsStatus::TimeServerFailed, code};
    return {};
}

}  // namespace tb::settings
