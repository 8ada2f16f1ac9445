// Serialising the proxy-mode thread with the main thread.
//
// Every client call runs on the service's main thread, but in proxy mode a
// plain worker thread calls Save and needUpdate directly on the Log object.
// One process-wide lock covers the object's shared data: the Log object
// holds a ServiceLock::Guard around each whole member call that touches
// data the worker can reach (the lists, logs, settings, updateTime and the
// reminder flag), and the worker holds a WorkerGuard around each whole Save
// and needUpdate call. The lock is recursive: a member may call another
// member, and a modal dialog inside a member lets further calls in on the
// same thread. While the worker waits for the user to answer the update
// reminder, the main thread's calls wait with it; once answered, the second
// caller no longer finds the reminder due, so it is shown once.
//
// At the orderly end the main thread closes the lock: from then on the
// worker does not call into the object, which is then saved and destroyed.
#pragma once

#include <mutex>

namespace tb {

class ServiceLock {
  public:
    class Guard {
      public:
        explicit Guard(ServiceLock& lock) : held_(lock.mutex_) {}

      private:
        std::unique_lock<std::recursive_mutex> held_;
    };

    // Holds the lock unless the service is closing; test it before calling.
    class WorkerGuard {
      public:
        explicit WorkerGuard(ServiceLock& lock) : held_(lock.mutex_) {
            if (lock.closed_) held_.unlock();
        }
        explicit operator bool() const { return held_.owns_lock(); }

      private:
        std::unique_lock<std::recursive_mutex> held_;
    };

    void close() {
        std::lock_guard<std::recursive_mutex> held(mutex_);
        closed_ = true;
    }
    bool closed() {
        std::lock_guard<std::recursive_mutex> held(mutex_);
        return closed_;
    }

  private:
    std::recursive_mutex mutex_;
    bool closed_ = false;
};

// The one lock of the service process.
ServiceLock& serviceLock();

}  // namespace tb
