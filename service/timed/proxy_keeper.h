// The keeping thread of proxy mode: a plain worker thread (no COM apartment)
// that runs a ProxyRound every 5 seconds. The callbacks take the service's
// lock themselves (service/process/service_lock.h).
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include "service/timed/proxy_mode.h"

namespace tb::proxy {

class ProxyKeeper {
  public:
    using Period = std::chrono::milliseconds;

    ProxyKeeper(std::unique_ptr<Registry> registry, ProxyCallbacks callbacks,
                Period period = Period(kRoundSeconds * 1000));
    ~ProxyKeeper();
    ProxyKeeper(const ProxyKeeper&) = delete;
    ProxyKeeper& operator=(const ProxyKeeper&) = delete;

    // Starts the thread; a keeper runs at most one.
    void start();
    // Ends the thread after the round in progress (the service itself never
    // asks; tests and the orderly end do).
    void stop();
    bool running() const { return thread_.joinable(); }
    // Rounds completed so far.
    long rounds() const;

  private:
    void loop();

    std::unique_ptr<Registry> registry_;
    ProxyCallbacks callbacks_;
    Period period_;
    ProxyRound round_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    long rounds_ = 0;
    std::thread thread_;
};

}  // namespace tb::proxy
