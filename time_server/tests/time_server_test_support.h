// Small helpers for the TimeServer suites: reading GetTime into plain
// values, and waiting for the synchronisation thread's tries.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <vector>

#include "common/com_holders.h"
#include "time_server/tbtime.h"

namespace tb::testing {

struct TimeRead {
    HRESULT status = E_FAIL;
    LONG value = 0;
    VARTYPE type = VT_EMPTY;
    UINT dimensions = 0;
    LONG lower = -1, upper = -1;
    std::vector<LONG> fields;
};

// The array of a GetTime answer taken apart.
inline void readFields(const VARIANT& v, TimeRead& out) {
    out.type = V_VT(&v);
    if (out.type != (VT_ARRAY | VT_I4) || !V_ARRAY(&v)) return;
    SAFEARRAY* a = V_ARRAY(&v);
    out.dimensions = SafeArrayGetDim(a);
    SafeArrayGetLBound(a, 1, &out.lower);
    SafeArrayGetUBound(a, 1, &out.upper);
    LONG* data = nullptr;
    if (SUCCEEDED(SafeArrayAccessData(a, reinterpret_cast<void**>(&data)))) {
        out.fields.assign(data, data + (out.upper - out.lower + 1));
        SafeArrayUnaccessData(a);
    }
}

inline TimeRead readTime(ITimeServer* server) {
    TimeRead out;
    ScopedVariant v;
    out.status = server->GetTime(v.get(), &out.value);
    readFields(*v.get(), out);
    return out;
}

// Waits for a condition that another thread makes true.
template <class Condition>
bool eventually(Condition condition, int milliseconds = 5000) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        Sleep(10);
    }
    return true;
}

// Collects what the synchronisation threads report.
template <class Outcome>
class Recorder {
  public:
    void record(Outcome outcome) {
        std::lock_guard<std::mutex> hold(lock_);
        seen_.push_back(outcome);
        changed_.notify_all();
    }
    // The first n reports, once there are that many (fewer on time-out).
    std::vector<Outcome> waitFor(size_t n, int milliseconds = 5000) {
        std::unique_lock<std::mutex> hold(lock_);
        changed_.wait_for(hold, std::chrono::milliseconds(milliseconds),
                          [&] { return seen_.size() >= n; });
        return std::vector<Outcome>(seen_.begin(), seen_.begin() + std::min(n, seen_.size()));
    }
    size_t count() {
        std::lock_guard<std::mutex> hold(lock_);
        return seen_.size();
    }

  private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::vector<Outcome> seen_;
};

}  // namespace tb::testing
