#include "browser_helper/service_link.h"

#include <oleauto.h>
#include <ole2.h>

#include "common/com_convert.h"
#include "common/com_holders.h"
#include "common/local_server_win32.h"

namespace tb::helper {

using Microsoft::WRL::ComPtr;

void ServiceLink::connect() {
    log_.Reset();
    ComPtr<IUnknown> active;
    if (SUCCEEDED(GetActiveObject(CLSID_Log, nullptr, &active)) && active &&
        SUCCEEDED(active.As(&log_))) {
        rememberIdentity();
        return;
    }
    log_.Reset();
    if (createNew()) rememberIdentity();
}

// Creation fails after the service was ended by force while the system
// still holds its class for the process that is gone: the service is then
// started from its registered program (local_server_win32.h). Meanwhile the
// navigation waits.
bool ServiceLink::createNew() {
    const ComPtr<IUnknown> object = createOrStartLocalServer(CLSID_Log);
    return object && SUCCEEDED(object.As(&log_));
}

void ServiceLink::rememberIdentity() {
    identity_.Reset();
    log_.As(&identity_);
}

Reconnect ServiceLink::reconnect() {
    log_.Reset();
    if (!createNew()) return Reconnect::Failed;
    ComPtr<IUnknown> now;
    log_.As(&now);
    const bool same = identity_ && now && identity_.Get() == now.Get();
    identity_ = now;
    return same ? Reconnect::SameService : Reconnect::NewService;
}

bool ServiceLink::addRefCount() {
    return log_ && SUCCEEDED(log_->AddRefCount());
}

bool ServiceLink::decRefCount() {
    return log_ && SUCCEEDED(log_->DecRefCount());
}

bool ServiceLink::save() {
    return log_ && SUCCEEDED(log_->Save());
}

std::optional<int16_t> ServiceLink::tbOn() {
    if (!log_) return std::nullopt;
    ScopedBstr empty(L"");
    VARIANT_BOOL on = 0;
    if (FAILED(log_->TBOn(empty.get(), &on))) return std::nullopt;
    return on;
}

std::optional<UpdateAnswer> ServiceLink::needUpdate() {
    if (!log_) return std::nullopt;
    ScopedBstr url;
    VARIANT_BOOL need = 0;
    if (FAILED(log_->needUpdate(url.receive(), &need))) return std::nullopt;
    return UpdateAnswer{need, toAnsi(url.get())};
}

std::optional<TimedAnswer> ServiceLink::checkTimedAccess() {
    if (!log_) return std::nullopt;
    LONG left = 0;
    LONG err = 0;
    if (FAILED(log_->CheckTimedAccess(&left, &err))) return std::nullopt;
    return TimedAnswer{static_cast<int32_t>(err), static_cast<int32_t>(left)};
}

std::optional<FilterAnswer> ServiceLink::filterURL(const std::string& url) {
    if (!log_) return std::nullopt;
    ScopedBstr text = ScopedBstr::adopt(newBstr(url));
    BSTR inOut = text.release();
    VARIANT_BOOL userAllowed = 0;
    VARIANT_BOOL allowed = 0;
    const HRESULT hr = log_->FilterURL(&inOut, &userAllowed, &allowed);
    text.reset(inOut);
    if (FAILED(hr)) return std::nullopt;
    return FilterAnswer{allowed, userAllowed, toAnsi(text.get())};
}

std::optional<ContentAnswer> ServiceLink::passesFilterList(const std::string& documentUrl,
                                                           const std::string& text) {
    if (!log_) return std::nullopt;
    ScopedBstr address = ScopedBstr::adopt(newBstr(documentUrl));
    ScopedBstr check = ScopedBstr::adopt(newBstr(text));
    BSTR addressSlot = address.release();
    BSTR inOut = check.release();
    VARIANT_BOOL passed = 0;
    const HRESULT hr = log_->passesFilterList(&addressSlot, &inOut, &passed);
    address.reset(addressSlot);
    check.reset(inOut);
    if (FAILED(hr)) return std::nullopt;
    return ContentAnswer{passed, toAnsi(check.get())};
}

}  // namespace tb::helper
