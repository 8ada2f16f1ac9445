// The local server's keep-alive monitor. Whenever the count of external
// server locks drops to zero it is signalled; it then clears the activity
// flag and keeps waiting 5 seconds at a time while the signals go on, and
// returns to waiting without limit. It never ends the process: the service
// stays resident when the last client leaves.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tb {

class KeepAliveMonitor {
  public:
    explicit KeepAliveMonitor(std::chrono::milliseconds quiet = std::chrono::milliseconds(5000))
        : quiet_(quiet) {}
    ~KeepAliveMonitor() { stop(); }
    KeepAliveMonitor(const KeepAliveMonitor&) = delete;
    KeepAliveMonitor& operator=(const KeepAliveMonitor&) = delete;

    void start();
    // Ends the thread (the uninstall clean-up and the orderly end).
    void stop();

    void signal();        // the last external lock was released
    void noteActivity();  // a client asked for the object
    bool active();
    // Bursts that ended in a quiet period, for tests.
    int quietPeriods();

  private:
    void loop();

    std::chrono::milliseconds quiet_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool signalled_ = false;  // an auto-reset event
    bool stopping_ = false;
    bool active_ = false;
    int quietPeriods_ = 0;
    std::thread thread_;
};

}  // namespace tb
