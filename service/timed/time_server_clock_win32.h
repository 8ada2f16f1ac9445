// The network clock on the time component's ITimeServer::GetTime: the time
// value and the nine calendar fields of its VT_ARRAY | VT_I4 answer. A
// template over the interface so that any object with that member serves
// (the component's generated header is not needed here).
#pragma once

#include <windows.h>
#include <oleauto.h>

#include "service/timed/network_clock.h"

namespace tb {

// Copies the nine fields out of a one-dimensional array of 32-bit integers,
// locking it while copying. False for anything shorter or of another kind.
inline bool copyBrokenDownTime(const VARIANT& fields, BrokenDownTime& out) {
    if (V_VT(&fields) != (VT_ARRAY | VT_I4) || !V_ARRAY(&fields)) return false;
    SAFEARRAY* array = V_ARRAY(&fields);
    LONG low = 0, high = -1;
    if (SafeArrayGetDim(array) != 1 || FAILED(SafeArrayGetLBound(array, 1, &low)) ||
        FAILED(SafeArrayGetUBound(array, 1, &high)) || high - low + 1 < 9) {
        return false;
    }
    void* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, &data))) return false;
    const LONG* v = static_cast<const LONG*>(data);
    out = BrokenDownTime{v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7], v[8]};
    SafeArrayUnaccessData(array);
    return true;
}

template <class TimeServer>
class TimeServerClock : public NetworkClock {
  public:
    explicit TimeServerClock(TimeServer* server) : server_(server) {}

    int32_t getTime(ClockReading& out) override {
        if (!server_) return E_POINTER;
        VARIANT fields;
        VariantInit(&fields);
        LONG now = 0;
        HRESULT hr = server_->GetTime(&fields, &now);
        if (SUCCEEDED(hr)) {
            out.now = now;
            if (!copyBrokenDownTime(fields, out.fields)) hr = DISP_E_TYPEMISMATCH;
        }
        VariantClear(&fields);
        return SUCCEEDED(hr) ? 0 : hr;
    }

  private:
    TimeServer* server_;
};

}  // namespace tb
