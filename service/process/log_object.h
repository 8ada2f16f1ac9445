// The service's automation object Log: ILog (default), IManagerData,
// ILogInfo and ISupportErrorInfo. Each member translates the automation
// values, calls the service core and translates back; no product rule lives
// here.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

#include "common/com_object.h"
#include "common/dispatch.h"
#include "common/tbserv.h"
#include "service/filter/block_pages.h"

namespace tb {

class LogObject : public ComObject<LogObject, Dispatch<ILog, &LIBID_tbservLib>,
                                   Dispatch<IManagerData, &LIBID_tbservLib>,
                                   Dispatch<ILogInfo, &LIBID_tbservLib>, ISupportErrorInfo> {
  public:
    LogObject();

    void* queryAlias(REFIID riid);

    // ISupportErrorInfo
    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

    // ILog
    STDMETHODIMP IsURLAllowed(BSTR strURL, VARIANT_BOOL* bAllowed) override;
    STDMETHODIMP LogURL(BSTR* strURL, VARIANT_BOOL* bAllowed) override;
    STDMETHODIMP Save() override;
    STDMETHODIMP Load() override;
    STDMETHODIMP UploadFromFile(BSTR path, BSTR file, VARIANT_BOOL* EntireSite,
                                VARIANT_BOOL* bAllow) override;
    STDMETHODIMP AddURL(BSTR* strURL, VARIANT_BOOL* EntireSite, VARIANT_BOOL* bAllowed) override;
    STDMETHODIMP needUpdate(BSTR* URL, VARIANT_BOOL* needUpdate) override;
    STDMETHODIMP DownloadDNAList() override;
    STDMETHODIMP passesFilterList(BSTR* URL, BSTR* checkStr, VARIANT_BOOL* passed) override;
    STDMETHODIMP internalURLMatch(BSTR URL, VARIANT_BOOL* match) override;
    STDMETHODIMP AddWordToBlock(BSTR word, VARIANT_BOOL* result) override;
    STDMETHODIMP getFirstUserWord(BSTR* word) override;
    STDMETHODIMP getNextUserWord(BSTR* word) override;
    STDMETHODIMP removeUserWord(BSTR word) override;
    STDMETHODIMP VerifyPassword(BSTR password, VARIANT_BOOL* verified) override;
    STDMETHODIMP TBOn(BSTR password, VARIANT_BOOL* on) override;
    STDMETHODIMP About() override;
    STDMETHODIMP RemoveURL(BSTR URL) override;
    STDMETHODIMP GetLocalErrorPage(BSTR* URL) override;
    STDMETHODIMP UninstallTB() override;
    STDMETHODIMP AddRefCount() override;
    STDMETHODIMP DecRefCount() override;
    STDMETHODIMP CheckTimedAccess(LONG* lTimeLeft, LONG* err) override;
    STDMETHODIMP StartTimeLogging() override;
    STDMETHODIMP StopTimeLogging() override;
    STDMETHODIMP FilterURL(BSTR* strURL, VARIANT_BOOL* bUserAllowed,
                           VARIANT_BOOL* bAllowed) override;

    // IManagerData
    STDMETHODIMP GetAccessHours(eDAY day, VARIANT* abHours) override;
    STDMETHODIMP SetAccessHours(eDAY day, VARIANT* abHours) override;
    STDMETHODIMP GetTotalHours(eDAY day, short* hours) override;
    STDMETHODIMP SetTotalHours(eDAY day, short hours) override;
    STDMETHODIMP GetCategoryState(eCATEGORY cat, VARIANT_BOOL* bCat) override;
    STDMETHODIMP SetCategoryState(eCATEGORY cat, VARIANT_BOOL bCat) override;
    STDMETHODIMP GetVisitedSites(VARIANT* pvSites) override;
    STDMETHODIMP SetVisitedSites(VARIANT* pvSites) override;
    STDMETHODIMP GetPersBlockSites(VARIANT* pvSites) override;
    STDMETHODIMP SetPersBlockSites(VARIANT* pvSites) override;
    STDMETHODIMP GetWords(VARIANT* pvWords) override;
    STDMETHODIMP SetWords(VARIANT* pvWords) override;
    STDMETHODIMP GetTimezoneString(BSTR* word) override;
    STDMETHODIMP SetTimezoneString(BSTR* word) override;
    STDMETHODIMP GetBlockedLog(VARIANT* pvSites) override;
    STDMETHODIMP SetBlockedLog(VARIANT* pvSites) override;
    STDMETHODIMP GetAllowedSites(VARIANT* pvSites) override;
    STDMETHODIMP SetAllowedSites(VARIANT* pvSites) override;
    STDMETHODIMP GetTimedAccess(VARIANT_BOOL* bCat) override;
    STDMETHODIMP SetTimedAccess(VARIANT_BOOL bCat) override;

    // ILogInfo
    STDMETHODIMP Item(BSTR bstrURL, IUrlInfo** pURLInfo) override;
    STDMETHODIMP get_Count(LONG* pVal) override;
    STDMETHODIMP GetFirstURL(IUrlInfo** ppURLInfo) override;
    STDMETHODIMP GetNextURL(IUrlInfo** ppURLInfo) override;
    STDMETHODIMP get__NewEnum(IUnknown** pEnum) override;

  private:
    BlockPages blockPages_;
};

}  // namespace tb
