#include "service/process/log_object.h"

#include "common/com_convert.h"
#include "common/com_error.h"
#include "common/type_library.h"

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

LogObject::LogObject(const std::string& serviceDirectory)
    : core_(std::make_unique<ServiceCore>(serviceDirectory, ServiceSeams{clock_, dialogs_, codec_, std::cout})) {
    core_->load();
}

void* LogObject::queryAlias(REFIID riid) {
    // IDispatch is the default interface's.
    if (IsEqualIID(riid, IID_IDispatch)) return static_cast<IDispatch*>(static_cast<ILog*>(this));
    return nullptr;
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

// The word file is what Save writes so far; the logs and the settings
// join it with their own stores.
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

STDMETHODIMP LogObject::needUpdate(BSTR*, VARIANT_BOOL*) { return E_NOTIMPL; }
STDMETHODIMP LogObject::DownloadDNAList() { return E_NOTIMPL; }

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

STDMETHODIMP LogObject::VerifyPassword(BSTR, VARIANT_BOOL*) { return E_NOTIMPL; }
STDMETHODIMP LogObject::TBOn(BSTR, VARIANT_BOOL*) { return E_NOTIMPL; }
STDMETHODIMP LogObject::About() { return E_NOTIMPL; }

STDMETHODIMP LogObject::RemoveURL(BSTR) { return S_OK; }

STDMETHODIMP LogObject::GetLocalErrorPage(BSTR* URL) {
    if (!URL) return E_POINTER;
    *URL = nullptr;
    return serve([&] { return bstrOut(URL, core_->localErrorPage()); });
}

STDMETHODIMP LogObject::UninstallTB() { return E_NOTIMPL; }
STDMETHODIMP LogObject::AddRefCount() { return E_NOTIMPL; }
STDMETHODIMP LogObject::DecRefCount() { return E_NOTIMPL; }
STDMETHODIMP LogObject::CheckTimedAccess(LONG*, LONG*) { return E_NOTIMPL; }
STDMETHODIMP LogObject::StartTimeLogging() { return E_NOTIMPL; }
STDMETHODIMP LogObject::StopTimeLogging() { return E_NOTIMPL; }

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

STDMETHODIMP LogObject::GetAccessHours(eDAY, VARIANT*) { return E_NOTIMPL; }
STDMETHODIMP LogObject::SetAccessHours(eDAY, VARIANT*) { return E_NOTIMPL; }
STDMETHODIMP LogObject::GetTotalHours(eDAY, short*) { return E_NOTIMPL; }
STDMETHODIMP LogObject::SetTotalHours(eDAY, short) { return E_NOTIMPL; }
STDMETHODIMP LogObject::GetCategoryState(eCATEGORY, VARIANT_BOOL*) { return E_NOTIMPL; }
STDMETHODIMP LogObject::SetCategoryState(eCATEGORY, VARIANT_BOOL) { return E_NOTIMPL; }
STDMETHODIMP LogObject::GetVisitedSites(VARIANT*) { return E_NOTIMPL; }
STDMETHODIMP LogObject::SetVisitedSites(VARIANT*) { return E_NOTIMPL; }

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

STDMETHODIMP LogObject::GetTimezoneString(BSTR*) { return E_NOTIMPL; }
STDMETHODIMP LogObject::SetTimezoneString(BSTR*) { return E_NOTIMPL; }
STDMETHODIMP LogObject::GetBlockedLog(VARIANT*) { return E_NOTIMPL; }
STDMETHODIMP LogObject::SetBlockedLog(VARIANT*) { return E_NOTIMPL; }

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

STDMETHODIMP LogObject::GetTimedAccess(VARIANT_BOOL*) { return E_NOTIMPL; }
STDMETHODIMP LogObject::SetTimedAccess(VARIANT_BOOL) { return E_NOTIMPL; }

// ILogInfo ----------------------------------------------------------------

STDMETHODIMP LogObject::Item(BSTR, IUrlInfo**) { return E_NOTIMPL; }
STDMETHODIMP LogObject::get_Count(LONG*) { return E_NOTIMPL; }
STDMETHODIMP LogObject::GetFirstURL(IUrlInfo**) { return E_NOTIMPL; }
STDMETHODIMP LogObject::GetNextURL(IUrlInfo**) { return E_NOTIMPL; }
STDMETHODIMP LogObject::get__NewEnum(IUnknown**) { return E_NOTIMPL; }

}  // namespace tb
