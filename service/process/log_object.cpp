#include "service/process/log_object.h"

#include "common/com_convert.h"
#include "common/com_error.h"
#include "common/type_library.h"
#include "service/process/url_info_object.h"
#include "service/settings/settings_com_win32.h"

namespace tb {

namespace {

std::string serviceDirectoryOfThisModule() {
    const std::wstring dir = moduleDirectory(thisModule());
    return toAnsi(dir.c_str(), dir.size());
}

bool isTrue(const VARIANT_BOOL* flag) { return *flag != 0; }

// A list the client sends: a one-dimensional array of BSTR (a null array is
// the empty list). Anything else is refused, so that a wrong argument never
// writes a half list.
std::optional<std::vector<std::string>> listArgument(const VARIANT* list) {
    if (V_VT(list) == VT_EMPTY) return std::nullopt;
    return stringsFromVariant(list);
}

HRESULT bstrOut(BSTR* out, const std::optional<std::string>& text) {
    *out = nullptr;
    if (!text) return S_OK;
    *out = newBstr(*text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

LogObject::LogObject() : LogObject(serviceDirectoryOfThisModule()) {}

LogObject::LogObject(const std::string& serviceDirectory) : LogObject(serviceDirectory, true) {}

LogObject::LogObject(LoadLater) : LogObject(serviceDirectoryOfThisModule(), false) {}

LogObject::LogObject(const std::string& serviceDirectory, bool loadNow)
    : core_(std::make_unique<ServiceCore>(serviceDirectory, ServiceSeams{clock_, dialogs_, codec_, std::cout, &files_, &codePage_,
                                                                  &passwordSeams_, &indicators_})) {
    if (clock_.connect()) {
        core_->setTimeServer(&clock_);
        networkClock_ = std::make_unique<TimeServerClock<ITimeServer>>(clock_.server());
        core_->setNetworkClock(networkClock_.get());
    }
    core_->takeOverInstallerTimezone();
    if (loadNow) core_->load();
}

// The time component -----------------------------------------------------------

LogObject::TimeServerConnection::~TimeServerConnection() {
    if (server_) server_->Release();
}

bool LogObject::TimeServerConnection::connect() {
    if (FAILED(CoCreateInstance(CLSID_TimeServer, nullptr, CLSCTX_INPROC_SERVER, IID_ITimeServer,
                                reinterpret_cast<void**>(&server_)))) {
        server_ = nullptr;
        return false;
    }
    server_->Start();
    return true;
}

std::optional<int32_t> LogObject::TimeServerConnection::networkTime() {
    if (!server_) return std::nullopt;
    VARIANT fields;
    VariantInit(&fields);
    LONG now = 0;
    const HRESULT hr = server_->GetTime(&fields, &now);
    VariantClear(&fields);
    if (FAILED(hr)) return std::nullopt;
    return static_cast<int32_t>(now);
}

long LogObject::TimeServerConnection::setTimezoneOffset(float hours) {
    return server_ ? static_cast<long>(server_->SetTimezoneOffset(hours)) : E_POINTER;
}

void* LogObject::queryAlias(REFIID riid) {
    if (IsEqualIID(riid, IID_IDispatch)) return static_cast<IDispatch*>(&scriptDispatch_);
    return nullptr;
}

// The script dispatch ------------------------------------------------------------

STDMETHODIMP LogObject::ScriptDispatch::GetTypeInfoCount(UINT* count) {
    return static_cast<ILog*>(&log_)->GetTypeInfoCount(count);
}

STDMETHODIMP LogObject::ScriptDispatch::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) {
    return static_cast<ILog*>(&log_)->GetTypeInfo(index, lcid, info);
}

STDMETHODIMP LogObject::ScriptDispatch::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count,
                                                      LCID lcid, DISPID* ids) {
    HRESULT hr = static_cast<ILog*>(&log_)->GetIDsOfNames(riid, names, count, lcid, ids);
    if (hr != DISP_E_UNKNOWNNAME) return hr;
    hr = static_cast<IManagerData*>(&log_)->GetIDsOfNames(riid, names, count, lcid, ids);
    if (SUCCEEDED(hr)) {
        ids[0] += kManagerBase;
        return hr;
    }
    hr = static_cast<ILogInfo*>(&log_)->GetIDsOfNames(riid, names, count, lcid, ids);
    if (SUCCEEDED(hr) && ids[0] != DISPID_VALUE && ids[0] != DISPID_NEWENUM) ids[0] += kInfoBase;
    return hr;
}

namespace {

// Scripts pass their variables by reference as VARIANTs (VT_BYREF |
// VT_VARIANT); a member that takes a BSTR*, VARIANT_BOOL*, long* or short*
// gets a typed copy of the value, which goes back into the script's
// variable after the call.
class ByReferenceArguments {
  public:
    ByReferenceArguments(ITypeInfo* info, DISPID id, DISPPARAMS* params) : params_(params) {
        if (!info || !params || !params->cArgs) return;
        FUNCDESC* function = findFunction(info, id);
        if (!function) return;
        slots_.resize(params->cArgs);
        for (UINT i = 0; i < params->cArgs; ++i) {
            // Arguments come last first.
            const UINT position = params->cArgs - 1 - i;
            VARIANT& arg = params->rgvarg[i];
            if (V_VT(&arg) != (VT_BYREF | VT_VARIANT) || position >= UINT(function->cParams)) continue;
            const TYPEDESC& type = function->lprgelemdescParam[position].tdesc;
            if (type.vt != VT_PTR || !type.lptdesc) continue;
            const VARTYPE target = type.lptdesc->vt;
            if (target != VT_BSTR && target != VT_BOOL && target != VT_I4 && target != VT_I2) continue;
            Slot& slot = slots_[i];
            slot.original = V_VARIANTREF(&arg);
            VariantInit(&slot.value);
            if (V_VT(slot.original) != VT_EMPTY &&
                FAILED(VariantChangeType(&slot.value, slot.original, 0, target))) {
                continue;
            }
            if (V_VT(&slot.value) == VT_EMPTY) {
                V_VT(&slot.value) = target;
                if (target == VT_BSTR) V_BSTR(&slot.value) = nullptr;
                else V_I4(&slot.value) = 0;
            }
            slot.used = true;
            V_VT(&arg) = VT_BYREF | target;
            V_BYREF(&arg) = &V_I4(&slot.value);  // the value union, whatever its type
        }
        info->ReleaseFuncDesc(function);
    }
    ~ByReferenceArguments() {
        for (UINT i = 0; i < slots_.size(); ++i) {
            Slot& slot = slots_[i];
            if (!slot.used) continue;
            VARIANT& arg = params_->rgvarg[i];
            V_VT(&arg) = VT_BYREF | VT_VARIANT;
            V_VARIANTREF(&arg) = slot.original;
            VariantClear(slot.original);
            *slot.original = slot.value;  // hands the copy over
        }
    }

  private:
    struct Slot {
        bool used = false;
        VARIANT* original = nullptr;
        VARIANT value;
    };
    static FUNCDESC* findFunction(ITypeInfo* info, DISPID id) {
        TYPEATTR* attributes = nullptr;
        if (FAILED(info->GetTypeAttr(&attributes))) return nullptr;
        const WORD count = attributes->cFuncs;
        info->ReleaseTypeAttr(attributes);
        for (WORD i = 0; i < count; ++i) {
            FUNCDESC* function = nullptr;
            if (FAILED(info->GetFuncDesc(i, &function))) continue;
            if (function->memid == id && !(function->invkind & (INVOKE_PROPERTYPUT | INVOKE_PROPERTYPUTREF))) {
                return function;
            }
            info->ReleaseFuncDesc(function);
        }
        return nullptr;
    }

    DISPPARAMS* params_;
    std::vector<Slot> slots_;
};

template <class Interface>
HRESULT invokeWithReferences(Interface* target, DISPID id, REFIID riid, LCID lcid, WORD flags,
                             DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
    ITypeInfo* info = nullptr;
    target->GetTypeInfo(0, lcid, &info);
    HRESULT hr;
    {
        ByReferenceArguments references(info, id, params);
        hr = target->Invoke(id, riid, lcid, flags, params, result, excep, argErr);
    }
    if (info) info->Release();
    return hr;
}

// A typed array left in a script's variable becomes an array of VARIANT
// with the same bounds: script languages index and walk only those (Wine's
// VBScript cannot even walk the typed kind).
void giveScriptsVariantArrays(DISPPARAMS* params) {
    if (!params) return;
    for (UINT i = 0; i < params->cArgs; ++i) {
        VARIANT& arg = params->rgvarg[i];
        if (V_VT(&arg) != (VT_BYREF | VT_VARIANT) || !V_VARIANTREF(&arg)) continue;
        VARIANT* target = V_VARIANTREF(&arg);
        const VARTYPE element = V_VT(target) & ~VT_ARRAY;
        if (!(V_VT(target) & VT_ARRAY) || (V_VT(target) & VT_BYREF) || element == VT_VARIANT ||
            !V_ARRAY(target) || SafeArrayGetDim(V_ARRAY(target)) != 1)
            continue;
        SAFEARRAY* typed = V_ARRAY(target);
        LONG lower = 0, upper = -1;
        SafeArrayGetLBound(typed, 1, &lower);
        SafeArrayGetUBound(typed, 1, &upper);
        SAFEARRAYBOUND bound{static_cast<ULONG>(upper >= lower ? upper - lower + 1 : 0), lower};
        SAFEARRAY* variants = SafeArrayCreate(VT_VARIANT, 1, &bound);
        if (!variants) continue;
        bool copied = true;
        for (LONG index = lower; copied && index <= upper; ++index) {
            VARIANT item;
            VariantInit(&item);
            V_VT(&item) = element;
            copied = SUCCEEDED(SafeArrayGetElement(typed, &index, &V_I4(&item))) &&
                     SUCCEEDED(SafeArrayPutElement(variants, &index, &item));
            VariantClear(&item);
        }
        if (!copied) {
            SafeArrayDestroy(variants);
            continue;
        }
        VariantClear(target);
        V_VT(target) = VT_ARRAY | VT_VARIANT;
        V_ARRAY(target) = variants;
    }
}

}  // namespace

STDMETHODIMP LogObject::ScriptDispatch::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags,
                                               DISPPARAMS* params, VARIANT* result,
                                               EXCEPINFO* excep, UINT* argErr) {
    if (id == DISPID_VALUE || id == DISPID_NEWENUM) {
        return static_cast<ILogInfo*>(&log_)->Invoke(id, riid, lcid, flags, params, result, excep,
                                                     argErr);
    }
    if (id >= kInfoBase && id < kInfoBase + kManagerBase) {
        return static_cast<ILogInfo*>(&log_)->Invoke(id - kInfoBase, riid, lcid, flags, params,
                                                     result, excep, argErr);
    }
    if (id >= kManagerBase && id < kInfoBase) {
        const HRESULT hr =
            invokeWithReferences(static_cast<IManagerData*>(&log_), id - kManagerBase, riid, lcid,
                                 flags, params, result, excep, argErr);
        if (SUCCEEDED(hr)) giveScriptsVariantArrays(params);
        return hr;
    }
    return invokeWithReferences(static_cast<ILog*>(&log_), id, riid, lcid, flags, params, result,
                                excep, argErr);
}

STDMETHODIMP LogObject::InterfaceSupportsErrorInfo(REFIID riid) {
    return IsEqualIID(riid, IID_ILog) ? S_OK : S_FALSE;
}

// ILog --------------------------------------------------------------------

STDMETHODIMP LogObject::IsURLAllowed(BSTR strURL, VARIANT_BOOL* bAllowed) {
    if (!bAllowed) return E_POINTER;
    return serve([&] {
        const std::optional<bool> allowed = core_->isURLAllowed(toAnsi(strURL));
        *bAllowed = toVariantBool(allowed.value_or(false));
        return allowed ? S_OK : S_FALSE;
    });
}

STDMETHODIMP LogObject::LogURL(BSTR* strURL, VARIANT_BOOL* bAllowed) {
    if (!strURL || !bAllowed) return E_POINTER;
    return serve([&] {
        const FilterVerdict verdict = core_->filterURL(toAnsi(*strURL));
        *bAllowed = toVariantBool(verdict.userAllowed);
        return verdict.replacement ? reallocBstr(strURL, *verdict.replacement) : S_OK;
    });
}

// The site logs, the settings streams, then the word file.
STDMETHODIMP LogObject::Save() {
    return serve([&] {
        core_->save();
        return S_OK;
    });
}

// Reopens the list files and reloads the word table; the settings and the
// log files join it with their own stores.
STDMETHODIMP LogObject::Load() {
    return serve([&] {
        core_->load();
        return S_OK;
    });
}

STDMETHODIMP LogObject::UploadFromFile(BSTR path, BSTR file, VARIANT_BOOL* EntireSite, VARIANT_BOOL* bAllow) {
    if (!EntireSite || !bAllow) return E_POINTER;
    return serve([&] {
        const ImportResult result =
            core_->uploadFromFile(toAnsi(path), toAnsi(file), isTrue(EntireSite), isTrue(bAllow));
        return result == ImportResult::FormatError ? S_FALSE : S_OK;
    });
}

STDMETHODIMP LogObject::AddURL(BSTR* strURL, VARIANT_BOOL* EntireSite, VARIANT_BOOL* bAllowed) {
    if (!strURL || !EntireSite || !bAllowed) return E_POINTER;
    return serve([&] {
        const std::optional<std::string> normal = core_->addURL(toAnsi(*strURL), isTrue(EntireSite), isTrue(bAllowed));
        return normal ? reallocBstr(strURL, *normal) : S_OK;
    });
}

// URL is set only with needUpdate (the update-error page while the lists
// are not loaded); a due reminder is shown inside the call.
STDMETHODIMP LogObject::needUpdate(BSTR* URL, VARIANT_BOOL* needUpdate) {
    if (!URL || !needUpdate) return E_POINTER;
    return serve([&] {
        *needUpdate = 0;
        const update::NeedUpdateAnswer answer =
            core_->needUpdate(reminderUi ? *reminderUi : noReminderUi_);
        if (!answer.needUpdate) return S_OK;
        *needUpdate = 1;
        if (!answer.url) return S_OK;
        *URL = newBstr(*answer.url);
        return *URL ? S_OK : E_OUTOFMEMORY;
    });
}

STDMETHODIMP LogObject::DownloadDNAList() {
    return serve([&] {
        return core_->downloadDNAList() == update::DownloadResult::CannotOpen ? S_FALSE : S_OK;
    });
}

STDMETHODIMP LogObject::passesFilterList(BSTR* URL, BSTR* checkStr, VARIANT_BOOL* passed) {
    if (!URL || !checkStr || !passed) return E_POINTER;
    return serve([&] {
        const PageVerdict verdict = core_->passesFilterList(toAnsi(*URL), toAnsi(*checkStr));
        *passed = toVariantBool(verdict.passed);
        return verdict.replacement ? reallocBstr(checkStr, *verdict.replacement) : S_OK;
    });
}

STDMETHODIMP LogObject::internalURLMatch(BSTR URL, VARIANT_BOOL* match) {
    if (!match) return E_POINTER;
    return serve([&] {
        *match = toVariantBool(core_->internalURLMatch(toAnsi(URL)));
        return S_OK;
    });
}

STDMETHODIMP LogObject::AddWordToBlock(BSTR word, VARIANT_BOOL* result) {
    if (!result) return E_POINTER;
    return serve([&] {
        const std::optional<bool> added = core_->addWordToBlock(toAnsi(word));
        if (!added) return S_FALSE;
        *result = toVariantBool(*added);
        return S_OK;
    });
}

STDMETHODIMP LogObject::getFirstUserWord(BSTR* word) {
    if (!word) return E_POINTER;
    *word = nullptr;
    return serve([&] {
        const UserWordAnswer answer = core_->firstUserWord();
        return answer.ready ? bstrOut(word, answer.word) : S_FALSE;
    });
}

STDMETHODIMP LogObject::getNextUserWord(BSTR* word) {
    if (!word) return E_POINTER;
    *word = nullptr;
    return serve([&] {
        const UserWordAnswer answer = core_->nextUserWord();
        return answer.ready ? bstrOut(word, answer.word) : S_FALSE;
    });
}

STDMETHODIMP LogObject::removeUserWord(BSTR word) {
    return serve([&] { return core_->removeUserWord(toAnsi(word)) ? S_OK : S_FALSE; });
}

// S_FALSE, verified untouched, after the master code's uninstall dialog;
// S_FALSE, verified 0, while the lists are not loaded.
STDMETHODIMP LogObject::VerifyPassword(BSTR password, VARIANT_BOOL* verified) {
    if (!verified) return E_POINTER;
    return serve([&] {
        const settings::VerifyOutcome outcome = core_->verifyPassword(toAnsi(password));
        if (outcome.verified) *verified = toVariantBool(*outcome.verified);
        return outcome.completed ? S_OK : S_FALSE;
    });
}

STDMETHODIMP LogObject::TBOn(BSTR password, VARIANT_BOOL* on) {
    if (!on) return E_POINTER;
    return serve([&] {
        *on = toVariantBool(core_->tbOn(toAnsi(password)));
        return S_OK;
    });
}

STDMETHODIMP LogObject::About() {
    return serve([&] {
        core_->about();
        return S_OK;
    });
}

int LogObject::Dialogs::show(int dialog, const std::vector<dialogs::ControlText>& texts) {
    if (dialog == IDD_UNINSTALL) {
        if (log_.showUninstallDialog) log_.showUninstallDialog();
        return IDOK;
    }
    return win32_.show(dialog, texts);
}

STDMETHODIMP LogObject::RemoveURL(BSTR) { return S_OK; }

STDMETHODIMP LogObject::GetLocalErrorPage(BSTR* URL) {
    if (!URL) return E_POINTER;
    *URL = nullptr;
    return serve([&] { return bstrOut(URL, core_->localErrorPage()); });
}

STDMETHODIMP LogObject::UninstallTB() {
    return serve([&] {
        if (showUninstallDialog) showUninstallDialog();
        return S_OK;
    });
}
// Timed access: a clock that cannot be read fails the call with its own
// status; without the time component, with E_POINTER.

namespace {

HRESULT resultOf(const TimedOutcome& outcome) {
    switch (outcome.kind) {
        case TimedOutcome::Kind::Done: return S_OK;
        case TimedOutcome::Kind::NoClock: return E_POINTER;
        case TimedOutcome::Kind::ClockError:
            return FAILED(outcome.clockStatus) ? outcome.clockStatus : E_FAIL;
    }
    return E_FAIL;
}

}  // namespace

STDMETHODIMP LogObject::AddRefCount() {
    return serve([&] { return resultOf(core_->addRefCount()); });
}
STDMETHODIMP LogObject::DecRefCount() {
    return serve([&] { return resultOf(core_->decRefCount()); });
}
STDMETHODIMP LogObject::StartTimeLogging() {
    return serve([&] { return resultOf(core_->startTimeLogging()); });
}
STDMETHODIMP LogObject::StopTimeLogging() {
    return serve([&] { return resultOf(core_->stopTimeLogging()); });
}

// With timed access off only lTimeLeft is set (to the whole day).
STDMETHODIMP LogObject::CheckTimedAccess(LONG* lTimeLeft, LONG* err) {
    if (!lTimeLeft || !err) return E_POINTER;
    return serve([&] {
        const bool counting = core_->settings().timedAccessEnabled != 0;
        const TimedVerdict verdict = core_->checkTimedAccess();
        if (!verdict.outcome.ok()) return resultOf(verdict.outcome);
        *lTimeLeft = verdict.timeLeft;
        if (counting) *err = verdict.err;
        return S_OK;
    });
}

STDMETHODIMP LogObject::FilterURL(BSTR* strURL, VARIANT_BOOL* bUserAllowed, VARIANT_BOOL* bAllowed) {
    if (!strURL || !bUserAllowed || !bAllowed) return E_POINTER;
    return serve([&] {
        const FilterVerdict verdict = core_->filterURL(toAnsi(*strURL));
        *bAllowed = toVariantBool(verdict.allowed);
        *bUserAllowed = toVariantBool(verdict.userAllowed);
        return verdict.replacement ? reallocBstr(strURL, *verdict.replacement) : S_OK;
    });
}

// IManagerData ------------------------------------------------------------

STDMETHODIMP LogObject::GetAccessHours(eDAY day, VARIANT* abHours) {
    return serve([&] { return settings::getAccessHours(core_->managerSettings(), day, abHours); });
}
STDMETHODIMP LogObject::SetAccessHours(eDAY day, VARIANT* abHours) {
    return serve([&] { return settings::setAccessHours(core_->managerSettings(), day, abHours); });
}
STDMETHODIMP LogObject::GetTotalHours(eDAY day, short* hours) {
    return serve([&] { return settings::getTotalHours(core_->managerSettings(), day, hours); });
}
STDMETHODIMP LogObject::SetTotalHours(eDAY day, short hours) {
    return serve([&] { return settings::setTotalHours(core_->managerSettings(), day, hours); });
}
STDMETHODIMP LogObject::GetCategoryState(eCATEGORY cat, VARIANT_BOOL* bCat) {
    return serve([&] { return settings::getCategoryState(core_->managerSettings(), cat, bCat); });
}
STDMETHODIMP LogObject::SetCategoryState(eCATEGORY cat, VARIANT_BOOL bCat) {
    return serve([&] { return settings::setCategoryState(core_->managerSettings(), cat, bCat); });
}
STDMETHODIMP LogObject::GetVisitedSites(VARIANT* pvSites) {
    return getLoggedSites(SiteLogKind::Visited, pvSites);
}
STDMETHODIMP LogObject::SetVisitedSites(VARIANT* pvSites) {
    return keepLoggedSites(SiteLogKind::Visited, pvSites);
}

STDMETHODIMP LogObject::GetPersBlockSites(VARIANT* pvSites) {
    if (!pvSites) return E_POINTER;
    VariantInit(pvSites);
    return serve([&] { return variantFromStrings(core_->persBlockSites(), pvSites); });
}

STDMETHODIMP LogObject::SetPersBlockSites(VARIANT* pvSites) {
    if (!pvSites) return E_POINTER;
    return serve([&] {
        const auto sites = listArgument(pvSites);
        if (!sites) return E_INVALIDARG;
        core_->setPersBlockSites(*sites);
        return S_OK;
    });
}

STDMETHODIMP LogObject::GetWords(VARIANT* pvWords) {
    if (!pvWords) return E_POINTER;
    VariantInit(pvWords);
    return serve([&] { return variantFromStrings(core_->words(), pvWords); });
}

STDMETHODIMP LogObject::SetWords(VARIANT* pvWords) {
    if (!pvWords) return E_POINTER;
    return serve([&] {
        const auto words = listArgument(pvWords);
        if (!words) return E_INVALIDARG;
        core_->setWords(*words);
        return S_OK;
    });
}

STDMETHODIMP LogObject::GetTimezoneString(BSTR* word) {
    return serve([&] { return settings::getTimezoneString(core_->managerSettings(), word); });
}
STDMETHODIMP LogObject::SetTimezoneString(BSTR* word) {
    return serve([&] { return settings::setTimezoneString(core_->managerSettings(), word); });
}
STDMETHODIMP LogObject::GetBlockedLog(VARIANT* pvSites) {
    return getLoggedSites(SiteLogKind::Blocked, pvSites);
}
STDMETHODIMP LogObject::SetBlockedLog(VARIANT* pvSites) {
    return keepLoggedSites(SiteLogKind::Blocked, pvSites);
}

HRESULT LogObject::getLoggedSites(SiteLogKind kind, VARIANT* pvSites) {
    if (!pvSites) return E_POINTER;
    VariantInit(pvSites);
    return serve([&] { return variantFromStrings(core_->loggedSites(kind), pvSites); });
}

// The records are removed even when the file cannot be written; the
// failure is reported so that the parent knows the file is behind.
HRESULT LogObject::keepLoggedSites(SiteLogKind kind, VARIANT* pvSites) {
    if (!pvSites) return E_POINTER;
    return serve([&] {
        const auto entries = listArgument(pvSites);
        if (!entries) return E_INVALIDARG;
        return core_->keepLoggedSites(kind, *entries) ? S_OK : E_FAIL;
    });
}

STDMETHODIMP LogObject::GetAllowedSites(VARIANT* pvSites) {
    if (!pvSites) return E_POINTER;
    VariantInit(pvSites);
    return serve([&] { return variantFromStrings(core_->allowedSites(), pvSites); });
}

STDMETHODIMP LogObject::SetAllowedSites(VARIANT* pvSites) {
    if (!pvSites) return E_POINTER;
    return serve([&] {
        const auto sites = listArgument(pvSites);
        if (!sites) return E_INVALIDARG;
        core_->setAllowedSites(*sites);
        return S_OK;
    });
}

STDMETHODIMP LogObject::GetTimedAccess(VARIANT_BOOL* bCat) {
    return serve([&] { return settings::getTimedAccess(core_->managerSettings(), bCat); });
}
STDMETHODIMP LogObject::SetTimedAccess(VARIANT_BOOL bCat) {
    return serve([&] { return settings::setTimedAccess(core_->managerSettings(), bCat); });
}

// ILogInfo ----------------------------------------------------------------

// Every member but _NewEnum answers S_OK and leaves its out-parameter
// alone while the lists are not loaded.

namespace {

HRESULT urlInfoOut(SiteRecordPtr record, IUrlInfo** out) {
    if (!record) return S_OK;
    *out = UrlInfoObject::forRecord(std::move(record));
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

STDMETHODIMP LogObject::Item(BSTR bstrURL, IUrlInfo** pURLInfo) {
    if (!pURLInfo) return E_POINTER;
    return serve([&] {
        if (!core_->state().ready) return S_OK;
        *pURLInfo = nullptr;
        return urlInfoOut(core_->visitedRecord(toAnsi(bstrURL)), pURLInfo);
    });
}

STDMETHODIMP LogObject::get_Count(LONG* pVal) {
    if (!pVal) return E_POINTER;
    return serve([&] {
        if (core_->state().ready) *pVal = static_cast<LONG>(core_->siteLogs().visited().size());
        return S_OK;
    });
}

STDMETHODIMP LogObject::GetFirstURL(IUrlInfo** ppURLInfo) {
    if (!ppURLInfo) return E_POINTER;
    return serve([&] {
        if (!core_->state().ready) return S_OK;
        *ppURLInfo = nullptr;
        return urlInfoOut(core_->firstVisited(), ppURLInfo);
    });
}

STDMETHODIMP LogObject::GetNextURL(IUrlInfo** ppURLInfo) {
    if (!ppURLInfo) return E_POINTER;
    return serve([&] {
        if (!core_->state().ready) return S_OK;
        *ppURLInfo = nullptr;
        return urlInfoOut(core_->nextVisited(), ppURLInfo);
    });
}

STDMETHODIMP LogObject::get__NewEnum(IUnknown** pEnum) {
    if (!pEnum) return E_POINTER;
    *pEnum = nullptr;
    return serve([&] {
        auto records = std::make_shared<const std::vector<SiteRecordPtr>>(core_->visitedRecords());
        *pEnum = SiteEnumerator::create(std::move(records), 0);
        return *pEnum ? S_OK : E_OUTOFMEMORY;
    });
}

}  // namespace tb
