#include "service/settings/settings_com_win32.h"

#include "common/com_convert.h"
#include "common/com_error.h"

namespace tb::settings {

HRESULT hoursToVariant(const DayHours& hours, VARIANT* out) {
    if (!out) return E_POINTER;
    VariantInit(out);
    SAFEARRAY* array = SafeArrayCreateVector(VT_BOOL, 0, kHoursPerDay);
    if (!array) return E_OUTOFMEMORY;
    VARIANT_BOOL* data = nullptr;
    if (FAILED(SafeArrayAccessData(array, reinterpret_cast<void**>(&data)))) {
        SafeArrayDestroy(array);
        return E_UNEXPECTED;
    }
    for (int h = 0; h < kHoursPerDay; ++h) data[h] = static_cast<VARIANT_BOOL>(hours[h]);
    SafeArrayUnaccessData(array);
    V_VT(out) = VT_ARRAY | VT_BOOL;
    V_ARRAY(out) = array;
    return S_OK;
}

HRESULT hoursFromVariant(const VARIANT* in, DayHours& out) {
    const std::optional<std::vector<short>> values = shortsFromVariant(in, kHoursPerDay);
    if (!values || values->size() < static_cast<size_t>(kHoursPerDay)) return E_INVALIDARG;
    for (int h = 0; h < kHoursPerDay; ++h) out[h] = static_cast<uint16_t>((*values)[h]);
    return S_OK;
}

HRESULT statusOf(const SettingsResult& result) {
    switch (result.status) {
        case SettingsStatus::NoTimeServer:
            return E_POINTER;
        case SettingsStatus::TimeServerFailed:
            return static_cast<HRESULT>(result.code);
        case SettingsStatus::TooLong:
            return E_INVALIDARG;
        default:
            return S_OK;
    }
}

HRESULT getAccessHours(const ManagerSettings& settings, eDAY day, VARIANT* abHours) {
    if (!abHours) return E_POINTER;
    return comGuard([&] { return hoursToVariant(settings.getAccessHours(day), abHours); });
}

HRESULT setAccessHours(ManagerSettings& settings, eDAY day, VARIANT* abHours) {
    return comGuard([&] {
        DayHours hours{};
        const HRESULT hr = hoursFromVariant(abHours, hours);
        if (FAILED(hr)) return hr;
        settings.setAccessHours(day, hours);
        return S_OK;
    });
}

HRESULT getTotalHours(const ManagerSettings& settings, eDAY day, short* hours) {
    if (!hours) return E_POINTER;
    if (const std::optional<int16_t> total = settings.getTotalHours(day)) *hours = *total;
    return S_OK;
}

HRESULT setTotalHours(ManagerSettings& settings, eDAY day, short hours) {
    return comGuard([&] {
        settings.setTotalHours(day, hours);
        return S_OK;
    });
}

HRESULT getCategoryState(const ManagerSettings& settings, eCATEGORY cat, VARIANT_BOOL* bCat) {
    if (!bCat) return E_POINTER;
    if (const std::optional<int16_t> state = settings.getCategoryState(cat)) *bCat = *state;
    return S_OK;
}

// Any true value is stored as 1, the value the filter's category check
// looks for: a script's True (-1) would otherwise read back as on and block
// no site of the category.
HRESULT setCategoryState(ManagerSettings& settings, eCATEGORY cat, VARIANT_BOOL bCat) {
    return comGuard([&] {
        settings.setCategoryState(cat, bCat ? 1 : 0);
        return S_OK;
    });
}

HRESULT getTimezoneString(const ManagerSettings& settings, BSTR* word) {
    if (!word) return E_POINTER;
    *word = nullptr;
    return comGuard([&] {
        const std::optional<std::string> name = settings.getTimezoneString();
        if (!name) return S_OK;
        *word = newBstr(*name);
        return *word ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT setTimezoneString(ManagerSettings& settings, BSTR* word) {
    if (!word) return E_POINTER;
    return comGuard([&] {
        std::optional<std::string> text;
        if (*word) text = toAnsi(*word);
        return statusOf(settings.setTimezoneString(std::move(text)));
    });
}

HRESULT getTimedAccess(const ManagerSettings& settings, VARIANT_BOOL* bCat) {
    if (!bCat) return E_POINTER;
    *bCat = settings.getTimedAccess();
    return S_OK;
}

HRESULT setTimedAccess(ManagerSettings& settings, VARIANT_BOOL bCat) {
    return comGuard([&] {
        settings.setTimedAccess(bCat);
        return S_OK;
    });
}

HRESULT verifyPassword(PasswordKeeper& keeper, bool listsReady, BSTR password,
                       VARIANT_BOOL* verified) {
    if (!verified) return E_POINTER;
    return comGuard([&] {
        const VerifyOutcome outcome = keeper.verifyPassword(toAnsi(password), listsReady);
        if (outcome.verified) *verified = toVariantBool(*outcome.verified);
        return outcome.completed ? S_OK : S_FALSE;
    });
}

HRESULT tbOn(PasswordEntries& entries, FilterSwitchHooks& hooks, bool listsReady, bool listsCorrupt,
             BSTR password, VARIANT_BOOL* on) {
    if (!on) return E_POINTER;
    *on = 1;
    return comGuard([&] {
        *on = toVariantBool(
            settings::tbOn(entries, hooks, toAnsi(password), listsReady, listsCorrupt));
        return S_OK;
    });
}

}  // namespace tb::settings
