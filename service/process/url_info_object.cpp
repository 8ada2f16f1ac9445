#include "service/process/url_info_object.h"

#include "common/com_convert.h"

namespace tb {

namespace {

HRESULT copyText(const std::string& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = newBstr(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

UrlInfoObject::UrlInfoObject() : record_(std::make_shared<SiteRecord>()) { record_->hits = 0; }

IUrlInfo* UrlInfoObject::forRecord(SiteRecordPtr record) {
    UrlInfoObject* object = create(std::move(record));
    return object ? static_cast<IUrlInfo*>(object) : nullptr;
}

void* UrlInfoObject::queryAlias(REFIID riid) {
    if (IsEqualIID(riid, IID_IDispatch)) return static_cast<IDispatch*>(static_cast<IUrlInfo*>(this));
    return nullptr;
}

STDMETHODIMP UrlInfoObject::InterfaceSupportsErrorInfo(REFIID riid) {
    return IsEqualIID(riid, IID_IUrlInfo) ? S_OK : S_FALSE;
}

STDMETHODIMP UrlInfoObject::get_Allowed(LONG* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = record_->allowed;
    return S_OK;
}

STDMETHODIMP UrlInfoObject::put_Allowed(LONG newVal) {
    record_->allowed = newVal != 0 ? 1 : 0;
    return S_OK;
}

STDMETHODIMP UrlInfoObject::get_NumberOfHits(LONG* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = record_->hits;
    return S_OK;
}

STDMETHODIMP UrlInfoObject::get_HitFrequency(PERIOD, LONG*) { return E_NOTIMPL; }

STDMETHODIMP UrlInfoObject::get_URL(BSTR* pVal) { return copyText(record_->address, pVal); }
STDMETHODIMP UrlInfoObject::get_NextURL(BSTR* pVal) { return copyText(record_->nextAddress, pVal); }
STDMETHODIMP UrlInfoObject::get_PreviousURL(BSTR* pVal) {
    return copyText(record_->previousAddress, pVal);
}

// SiteEnumerator -------------------------------------------------------------

STDMETHODIMP SiteEnumerator::Next(ULONG celt, VARIANT* rgVar, ULONG* pCeltFetched) {
    if (celt != 1 && !pCeltFetched) return E_POINTER;
    if (pCeltFetched) *pCeltFetched = 0;
    if (celt == 0) return S_OK;
    if (!rgVar) return E_POINTER;
    ULONG fetched = 0;
    while (fetched < celt && position_ < records_->size()) {
        IUrlInfo* item = UrlInfoObject::forRecord((*records_)[position_]);
        if (!item) {
            for (ULONG i = 0; i < fetched; ++i) VariantClear(&rgVar[i]);
            position_ -= fetched;
            return E_OUTOFMEMORY;
        }
        VariantInit(&rgVar[fetched]);
        V_VT(&rgVar[fetched]) = VT_DISPATCH;
        V_DISPATCH(&rgVar[fetched]) = item;
        ++fetched;
        ++position_;
    }
    if (pCeltFetched) *pCeltFetched = fetched;
    return fetched == celt ? S_OK : S_FALSE;
}

STDMETHODIMP SiteEnumerator::Skip(ULONG celt) {
    const size_t left = records_->size() - position_;
    if (celt > left) {
        position_ = records_->size();
        return S_FALSE;
    }
    position_ += celt;
    return S_OK;
}

STDMETHODIMP SiteEnumerator::Reset() {
    position_ = 0;
    return S_OK;
}

STDMETHODIMP SiteEnumerator::Clone(IEnumVARIANT** ppEnum) {
    if (!ppEnum) return E_POINTER;
    *ppEnum = create(records_, position_);
    return *ppEnum ? S_OK : E_OUTOFMEMORY;
}

}  // namespace tb
