#include "service/timed/proxy_keeper.h"

namespace tb::proxy {

ProxyKeeper::ProxyKeeper(std::unique_ptr<Registry> registry, ProxyCallbacks callbacks,
                         Period period)
    : registry_(std::move(registry)), callbacks_(std::move(callbacks)), period_(period) {}

ProxyKeeper::~ProxyKeeper() {
    stop();
}

void ProxyKeeper::start() {
    if (thread_.joinable()) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = false;
    }
    thread_ = std::thread([this] { loop(); });
}

void ProxyKeeper::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

long ProxyKeeper::rounds() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return rounds_;
}

void ProxyKeeper::loop() {
    for (;;) {
        round_.run(*registry_, callbacks_);
        std::unique_lock<std::mutex> lock(mutex_);
        ++rounds_;
        if (wake_.wait_for(lock, period_, [this] { return stopping_; })) return;
    }
}

}  // namespace tb::proxy
