#include "service/process/keep_alive_monitor.h"

namespace tb {

void KeepAliveMonitor::start() {
    if (thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = false;
    }
    thread_ = std::thread([this] { loop(); });
}

void KeepAliveMonitor::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

void KeepAliveMonitor::signal() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        active_ = true;
        signalled_ = true;
    }
    wake_.notify_all();
}

void KeepAliveMonitor::noteActivity() {
    std::lock_guard<std::mutex> lock(mutex_);
    active_ = true;
}

bool KeepAliveMonitor::active() {
    std::lock_guard<std::mutex> lock(mutex_);
    return active_;
}

int KeepAliveMonitor::quietPeriods() {
    std::lock_guard<std::mutex> lock(mutex_);
    return quietPeriods_;
}

void KeepAliveMonitor::loop() {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return signalled_ || stopping_; });
        if (stopping_) return;
        // A burst: wait while the signals keep coming.
        do {
            signalled_ = false;
            active_ = false;
            wake_.wait_for(lock, quiet_, [this] { return signalled_ || stopping_; });
            if (stopping_) return;
        } while (signalled_);
        ++quietPeriods_;  // quiet again; nothing ends
    }
}

}  // namespace tb
