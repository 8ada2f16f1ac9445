// The helper's connection to the filtering service: the ILog pointer of the
// service's Log object, found in the running object table or created.
#pragma once

#include <windows.h>
#include <wrl/client.h>

#include "browser_helper/seams.h"
#include "common/tbserv.h"

namespace tb::helper {

class ServiceLink : public Service {
  public:
    // The running object first, then a new one.
    void connect();

    bool connected() const override { return log_ != nullptr; }
    Reconnect reconnect() override;
    void disconnect() override { log_.Reset(); }

    bool addRefCount() override;
    bool decRefCount() override;
    std::optional<int16_t> tbOn() override;
    std::optional<UpdateAnswer> needUpdate() override;
    std::optional<TimedAnswer> checkTimedAccess() override;
    std::optional<FilterAnswer> filterURL(const std::string& url) override;
    std::optional<ContentAnswer> passesFilterList(const std::string& documentUrl,
                                                  const std::string& text) override;
    bool save() override;

  private:
    bool createNew();
    void rememberIdentity();

    Microsoft::WRL::ComPtr<ILog> log_;
    // The object last connected to, kept to tell a restarted service from
    // the same one answering again (COM identity: the same object gives the
    // same IUnknown in this apartment).
    Microsoft::WRL::ComPtr<IUnknown> identity_;
};

}  // namespace tb::helper
