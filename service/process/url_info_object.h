// CUrlInfo, one record of siteLog for automation clients, and the
// IEnumVARIANT over siteLog that _NewEnum hands out. Both hold their records
// by shared ownership, so they stay valid after the log has pruned, removed
// or reloaded them.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <memory>
#include <vector>

#include "common/com_object.h"
#include "common/dispatch.h"
#include "common/tbserv.h"
#include "service/sitelog/site_log.h"

namespace tb {

class UrlInfoObject
    : public ComObject<UrlInfoObject, Dispatch<IUrlInfo, &LIBID_tbservLib>, ISupportErrorInfo> {
  public:
    // A CUrlInfo created by a client on its own stands for an empty record:
    // no address, no hits, allowed.
    UrlInfoObject();
    explicit UrlInfoObject(SiteRecordPtr record) : record_(std::move(record)) {}

    // A new object for the record, as its IUrlInfo; nullptr without memory.
    static IUrlInfo* forRecord(SiteRecordPtr record);

    void* queryAlias(REFIID riid);

    STDMETHODIMP InterfaceSupportsErrorInfo(REFIID riid) override;

    STDMETHODIMP get_Allowed(LONG* pVal) override;
    STDMETHODIMP put_Allowed(LONG newVal) override;
    STDMETHODIMP get_NumberOfHits(LONG* pVal) override;
    STDMETHODIMP get_HitFrequency(PERIOD hitPeriod, LONG* pVal) override;
    STDMETHODIMP get_URL(BSTR* pVal) override;
    STDMETHODIMP get_NextURL(BSTR* pVal) override;
    STDMETHODIMP get_PreviousURL(BSTR* pVal) override;

  private:
    SiteRecordPtr record_;
};

// The records are taken when the enumerator is made; Clone shares them.
class SiteEnumerator : public ComObject<SiteEnumerator, IEnumVARIANT> {
  public:
    using Records = std::shared_ptr<const std::vector<SiteRecordPtr>>;
    SiteEnumerator(Records records, size_t position)
        : records_(std::move(records)), position_(position) {}

    void* queryAlias(REFIID) { return nullptr; }

    STDMETHODIMP Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) override;
    STDMETHODIMP Skip(ULONG celt) override;
    STDMETHODIMP Reset() override;
    STDMETHODIMP Clone(IEnumVARIANT** ppEnum) override;

  private:
    Records records_;
    size_t position_;
};

}  // namespace tb
