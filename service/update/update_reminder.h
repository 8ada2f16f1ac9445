// The list-update reminder: due when the first category list is three weeks
// old and the reminder was last answered two weeks ago or more; the three
// answers of the "Tamberly Update" dialog; the time of the last answer kept
// as updateTime.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace tb::update {

inline constexpr char kAgeListFile[] = "TBinD.dat";
inline constexpr int64_t kListFreshSeconds = 1814400;  // 21 days
inline constexpr int64_t kAskAgainSeconds = 1209600;   // 14 days

// Modification times of files, in seconds since 1970.
class FileTimes {
  public:
    virtual ~FileTimes() = default;
    virtual std::optional<int64_t> modified(const std::string& path) = 0;
};

// FileTimes from the C library's stat, the same on both platforms.
class StatFileTimes : public FileTimes {
  public:
    std::optional<int64_t> modified(const std::string& path) override;
};

// updateTime is a 32-bit time; a value below 1 counts as not set.
bool reminderDue(int64_t now, std::optional<int64_t> listModified, int32_t updateTime);

// The dialog's buttons, by their command ids.
enum class ReminderAnswer { Update = 210, AskLater = 3, No = 7 };

class ReminderUi {
  public:
    virtual ~ReminderUi() = default;
    // Dialog 205, modal; nothing when it could not be shown.
    virtual std::optional<ReminderAnswer> ask() = 0;
    virtual void openPage(const std::string& address) = 0;  // in Internet Explorer
};

struct NeedUpdateAnswer {
    bool needUpdate = false;
    std::optional<std::string> url;  // set only with needUpdate
};

class UpdateReminder {
  public:
    using Clock = std::function<int64_t()>;  // the computer's clock

    explicit UpdateReminder(Clock clock) : clock_(std::move(clock)) {}

    // When the lists are loaded: updateTime from the registry value (now
    // when missing or below 1), the reminder on again. True when the value
    // must be written at once (it was missing).
    bool listsLoaded(std::optional<uint32_t> stored);

    // needUpdate of the Log object. listFile is the path of "TBinD.dat" in
    // the service's directory.
    NeedUpdateAnswer needUpdate(bool ready, const std::string& listFile, FileTimes& files,
                                ReminderUi& ui);

    // Acts on one answer of the dialog (also when the dialog is run by
    // someone else).
    void answer(ReminderAnswer answer, ReminderUi& ui);

    int32_t updateTime() const { return updateTime_; }
    void setUpdateTime(int32_t value) { updateTime_ = value; }
    bool reminderOn() const { return reminderOn_; }

  private:
    Clock clock_;
    int32_t updateTime_ = 0;
    bool reminderOn_ = true;
};

}  // namespace tb::update
