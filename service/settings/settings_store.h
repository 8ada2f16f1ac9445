// The settings file tbd.dat: loading and writing its streams "TA" and
// "Cat" for the settings the service holds.
#pragma once

#include <string>

#include "service/settings/settings.h"
#include "service/storage/code_page.h"
#include "service/storage/compound_file.h"

namespace tb::settings {

// The network time component as the settings reach it. Returns 0 on
// success, else the component's failure code, which the caller passes on.
class TimeServerLink {
  public:
    virtual ~TimeServerLink() = default;
    virtual long setTimezoneOffset(float hours) = 0;
};

enum class SettingsStatus {
    Ok,
    FileUnavailable,   // tbd.dat cannot be opened or created
    NoTimeServer,      // a time zone was to be passed on without a component
    TimeServerFailed,  // the component refused it; see code
    TooLong,           // a client's text longer than the setting can be
};

// The longest time-zone text kept: what the installer's hand-over file can
// carry (first_run.h).
inline constexpr size_t kMaxTimezoneChars = 199;

struct SettingsResult {
    SettingsStatus status = SettingsStatus::Ok;
    long code = 0;
    bool ok() const { return status == SettingsStatus::Ok; }
};

class SettingsStore {
  public:
    SettingsStore(storage::CompoundFiles& files, std::string path,
                  const storage::CodePage& codePage)
        : files_(files), path_(std::move(path)), codePage_(codePage) {}

    Settings& settings() { return settings_; }
    const Settings& settings() const { return settings_; }
    void setTimeServer(TimeServerLink* timeServer) { timeServer_ = timeServer; }
    TimeServerLink* timeServer() const { return timeServer_; }

    // "TA", then "Cat". A stream that did not exist is created and keeps the
    // values held; "Cat" is then written at once. A file or stream that
    // cannot be read is set aside (never deleted) and the values held stay;
    // a file that another program holds stays unread (unread()) and is not
    // written over until it could be read; then its values replace those
    // held, except the ones changed meanwhile.
    SettingsResult load();
    // After a time-zone text is read, its offset is computed and passed to
    // the time component.
    SettingsResult loadTimedAccess();
    SettingsResult loadCategories();
    bool unread() const { return unread_; }

    // Each stream whole; false when the file or stream cannot be written.
    bool writeTimedAccess();
    bool writeCategories();

    // Hands timezoneOffset to the time component.
    SettingsResult passOffsetToTimeServer();

  private:
    std::unique_ptr<storage::CompoundFile> openAtLoad();
    void setAsideDamaged(std::unique_ptr<storage::CompoundFile> file);
    bool readIfUnread();

    storage::CompoundFiles& files_;
    std::string path_;
    const storage::CodePage& codePage_;
    TimeServerLink* timeServer_ = nullptr;
    Settings settings_;
    Settings atLoad_;  // the values when the file was found held
    bool unread_ = false;
};

}  // namespace tb::settings
