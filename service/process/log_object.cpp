#include "service/process/log_object.h"

#include "common/com_convert.h"
#include "common/com_error.h"
#include "common/type_library.h"

namespace tb {

LogObject::LogObject() {
    const std::wstring dir = moduleDirectory(thisModule());
    blockPages_ = BlockPages::inDirectory(toAnsi(dir.c_str(), dir.size()));
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

STDMETHODIMP LogObject::IsURLAllowed(BSTR, VARIANT_BOOL*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::LogURL(BSTR*, VARIANT_BOOL*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::Save() {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::Load() {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::UploadFromFile(BSTR, BSTR, VARIANT_BOOL*, VARIANT_BOOL*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::AddURL(BSTR*, VARIANT_BOOL*, VARIANT_BOOL*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::needUpdate(BSTR*, VARIANT_BOOL*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::DownloadDNAList() {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::passesFilterList(BSTR*, BSTR*, VARIANT_BOOL*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::internalURLMatch(BSTR, VARIANT_BOOL*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::AddWordToBlock(BSTR, VARIANT_BOOL*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::getFirstUserWord(BSTR*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::getNextUserWord(BSTR*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::removeUserWord(BSTR) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::VerifyPassword(BSTR, VARIANT_BOOL*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::TBOn(BSTR, VARIANT_BOOL*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::About() {
    return E_NOTIMPL;
}

STDMETHODIMP LogObject::RemoveURL(BSTR) {
    return S_OK;
}

STDMETHODIMP LogObject::GetLocalErrorPage(BSTR* URL) {
    if (!URL) return E_POINTER;
    return comGuard([&] {
        BSTR page = newBstr(blockPages_.zero);
        if (!page) return E_OUTOFMEMORY;
        *URL = page;
        return S_OK;
    });
}

STDMETHODIMP LogObject::UninstallTB() {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::AddRefCount() {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::DecRefCount() {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::CheckTimedAccess(LONG*, LONG*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::StartTimeLogging() {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::StopTimeLogging() {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::FilterURL(BSTR*, VARIANT_BOOL*, VARIANT_BOOL*) {
    return E_NOTIMPL;
}

// IManagerData ------------------------------------------------------------

STDMETHODIMP LogObject::GetAccessHours(eDAY, VARIANT*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::SetAccessHours(eDAY, VARIANT*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::GetTotalHours(eDAY, short*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::SetTotalHours(eDAY, short) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::GetCategoryState(eCATEGORY, VARIANT_BOOL*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::SetCategoryState(eCATEGORY, VARIANT_BOOL) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::GetVisitedSites(VARIANT*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::SetVisitedSites(VARIANT*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::GetPersBlockSites(VARIANT*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::SetPersBlockSites(VARIANT*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::GetWords(VARIANT*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::SetWords(VARIANT*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::GetTimezoneString(BSTR*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::SetTimezoneString(BSTR*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::GetBlockedLog(VARIANT*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::SetBlockedLog(VARIANT*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::GetAllowedSites(VARIANT*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::SetAllowedSites(VARIANT*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::GetTimedAccess(VARIANT_BOOL*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::SetTimedAccess(VARIANT_BOOL) {
    return E_NOTIMPL;
}

// ILogInfo ----------------------------------------------------------------

STDMETHODIMP LogObject::Item(BSTR, IUrlInfo**) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::get_Count(LONG*) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::GetFirstURL(IUrlInfo**) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::GetNextURL(IUrlInfo**) {
    return E_NOTIMPL;
}
STDMETHODIMP LogObject::get__NewEnum(IUnknown**) {
    return E_NOTIMPL;
}

}  // namespace tb
