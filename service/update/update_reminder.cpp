#include "service/update/update_reminder.h"

#include <sys/stat.h>

#include "common/vendor_endpoints.h"

namespace tb::update {

std::optional<int64_t> StatFileTimes::modified(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return std::nullopt;
    return static_cast<int64_t>(info.st_mtime);
}

bool reminderDue(int64_t now, std::optional<int64_t> listModified, int32_t updateTime) {
    if (!listModified) return false;
    if (now - kListFreshSeconds <= *listModified) return false;
    return now - kAskAgainSeconds > updateTime;
}

bool UpdateReminder::listsLoaded(std::optional<uint32_t> stored) {
    reminderOn_ = true;
    const int32_t value = static_cast<int32_t>(stored.value_or(0));
    updateTime_ = value < 1 ? static_cast<int32_t>(clock_()) : value;
    return !stored.has_value();
}

NeedUpdateAnswer UpdateReminder::needUpdate(bool ready, const std::string& listFile,
                                            FileTimes& files, ReminderUi& ui) {
    NeedUpdateAnswer result;
    if (!ready) {
        result.needUpdate = true;
        result.url = vendor::kUpdateErrorPage;
        return result;
    }
    if (!reminderOn_) return result;
    if (!reminderDue(clock_(), files.modified(listFile), updateTime_)) return result;
    if (const std::optional<ReminderAnswer> given = ui.ask()) answer(*given, ui);
    return result;
}

void UpdateReminder::answer(ReminderAnswer answer, ReminderUi& ui) {
    switch (answer) {
        case ReminderAnswer::Update:
            ui.openPage(vendor::kUpdatePage);
            updateTime_ = static_cast<int32_t>(clock_());
            break;
        case ReminderAnswer::AskLater:
            updateTime_ = static_cast<int32_t>(clock_());
            break;
        case ReminderAnswer::No:
            reminderOn_ = false;
            break;
    }
}

}  // namespace tb::update
