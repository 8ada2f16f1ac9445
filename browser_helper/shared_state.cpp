#include "browser_helper/shared_state.h"

namespace tb::helper {

bool SharedState::filterOff() const {
    std::lock_guard<std::mutex> hold(lock_);
    return filterOff_ != 0;
}

void SharedState::setFilterOff(bool off) {
    std::lock_guard<std::mutex> hold(lock_);
    filterOff_ = off ? 1 : 0;
}

void SharedState::newDownload() {
    std::lock_guard<std::mutex> hold(lock_);
    content_.reset();
}

bool SharedState::admitContent(const std::string& documentUrl, size_t length) {
    std::lock_guard<std::mutex> hold(lock_);
    return content_.admit(documentUrl, length);
}

std::optional<TimedMessage> SharedState::timeLeftWarning(int32_t secondsLeft) {
    std::lock_guard<std::mutex> hold(lock_);
    return bands_.next(secondsLeft);
}

ContentMark SharedState::contentMark() const {
    std::lock_guard<std::mutex> hold(lock_);
    return content_;
}

WarningBands SharedState::warningBands() const {
    std::lock_guard<std::mutex> hold(lock_);
    return bands_;
}

SharedState& processState() {
    static SharedState state;
    return state;
}

}  // namespace tb::helper
