// The automation side of the settings members: VARIANT, BSTR and
// VARIANT_BOOL to the core's types and back, and the status of a call.
// The Log object's IManagerData and ILog members call these and nothing
// else.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include "common/tbserv.h"
#include "service/settings/filter_switch.h"
#include "service/settings/manager_settings.h"
#include "service/settings/password.h"

namespace tb::settings {

// A day's hours as the Manager receives them: VT_ARRAY | VT_BOOL, 24
// elements from index 0, the values as stored.
HRESULT hoursToVariant(const DayHours& hours, VARIANT* out);
// The first 24 elements of a one-dimensional array of 16-bit elements
// (VT_BOOL, VT_I2 or VT_UI2, also by reference). Anything else, or fewer
// than 24 elements, is E_INVALIDARG and `out` is not touched.
HRESULT hoursFromVariant(const VARIANT* in, DayHours& out);

// The HRESULT of a settings call: E_POINTER without a time component, the
// component's own failure, S_OK otherwise (a file that cannot be written
// is not reported to the caller).
HRESULT statusOf(const SettingsResult& result);

// IManagerData
HRESULT getAccessHours(const ManagerSettings& settings, eDAY day, VARIANT* abHours);
HRESULT setAccessHours(ManagerSettings& settings, eDAY day, VARIANT* abHours);
HRESULT getTotalHours(const ManagerSettings& settings, eDAY day, short* hours);
HRESULT setTotalHours(ManagerSettings& settings, eDAY day, short hours);
HRESULT getCategoryState(const ManagerSettings& settings, eCATEGORY cat, VARIANT_BOOL* bCat);
HRESULT setCategoryState(ManagerSettings& settings, eCATEGORY cat, VARIANT_BOOL bCat);
HRESULT getTimezoneString(const ManagerSettings& settings, BSTR* word);
HRESULT setTimezoneString(ManagerSettings& settings, BSTR* word);
HRESULT getTimedAccess(const ManagerSettings& settings, VARIANT_BOOL* bCat);
HRESULT setTimedAccess(ManagerSettings& settings, VARIANT_BOOL bCat);

// ILog
HRESULT verifyPassword(PasswordKeeper& keeper, bool listsReady, BSTR password,
                       VARIANT_BOOL* verified);
HRESULT tbOn(PasswordEntries& entries, FilterSwitchHooks& hooks, bool listsReady, bool listsCorrupt,
             BSTR password, VARIANT_BOOL* on);

// The time component's SetTimezoneOffset seen as the settings need it.
template <class TimeServer>
class TimeServerAdapter : public TimeServerLink {
  public:
    explicit TimeServerAdapter(TimeServer* server) : server_(server) {}
    long setTimezoneOffset(float hours) override {
        const HRESULT hr = server_->SetTimezoneOffset(hours);
        return SUCCEEDED(hr) ? 0 : hr;
    }

  private:
    TimeServer* server_;
};

}  // namespace tb::settings
