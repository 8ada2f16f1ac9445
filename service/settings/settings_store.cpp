#include "service/settings/settings_store.h"

#include "service/settings/settings_streams.h"
#include "service/storage/stream_replace.h"

namespace tb::settings {

SettingsResult SettingsStore::load() {
    const SettingsResult timed = loadTimedAccess();
    if (!timed.ok()) return timed;
    return loadCategories();
}

SettingsResult SettingsStore::loadTimedAccess() {
    std::unique_ptr<storage::CompoundFile> file = files_.openOrCreate(path_);
    if (!file) return {SettingsStatus::FileUnavailable};
    const std::optional<std::vector<uint8_t>> bytes =
        storage::readStream(*file, kTimedAccessStream);
    if (!bytes) {
        return storage::ensureStream(*file, kTimedAccessStream)
                   ? SettingsResult{}
                   : SettingsResult{SettingsStatus::FileUnavailable};
    }
    file.reset();
    if (!decodeTimedAccess(*bytes, settings_, codePage_)) return {};
    settings_.timezoneOffset = timezoneOffsetOf(settings_.timezoneName.value_or(""));
    return passOffsetToTimeServer();
}

SettingsResult SettingsStore::loadCategories() {
    std::unique_ptr<storage::CompoundFile> file = files_.openOrCreate(path_);
    if (!file) return {SettingsStatus::FileUnavailable};
    const std::optional<std::vector<uint8_t>> bytes = storage::readStream(*file, kCategoryStream);
    if (!bytes) {
        return storage::replaceStream(*file, kCategoryStream, encodeCategories(settings_))
                   ? SettingsResult{}
                   : SettingsResult{SettingsStatus::FileUnavailable};
    }
    decodeCategories(*bytes, settings_);
    return {};
}

bool SettingsStore::writeTimedAccess() {
    std::unique_ptr<storage::CompoundFile> file = files_.openOrCreate(path_);
    return file && storage::replaceStream(*file, kTimedAccessStream,
                                          encodeTimedAccess(settings_, codePage_));
}

bool SettingsStore::writeCategories() {
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
