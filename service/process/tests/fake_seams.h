// Fakes of the service's seams for the core tests, and a service core on a
// temporary directory built from them.
#pragma once

#include <memory>
#include <sstream>
#include <vector>

#include "service/lists/tests/list_builder.h"
#include "service/process/service_core.h"

namespace tb::testing {

class FakeClock : public Clock {
  public:
    std::optional<int32_t> networkTime() override { return network; }
    int32_t localTime() override { return local; }
    std::optional<int32_t> network = 900000000;
    int32_t local = 800000000;
};

class RecordingDialogs : public Dialogs {
  public:
    int show(const DialogRequest& request) override {
        shown.push_back(request);
        return kDialogOk;
    }
    std::vector<DialogRequest> shown;
};

// A service core over a temporary directory. The files are written by the
// test through files(); the core is made and loaded on first use.
class ServiceFixture {
  public:
    ServiceFiles& files() { return files_; }
    const TempDirectory& dir() const { return dir_; }

    ServiceCore& service() {
        if (!core_) {
            if (!files_.completed()) files_.complete();
            core_ = std::make_unique<ServiceCore>(dir_.dir(),
                                                  ServiceSeams{clock, dialogs, codec, console});
            core_->load();
        }
        return *core_;
    }
    bool visited(const std::string& address) {
        return service().siteLogs().findVisited(address) != nullptr;
    }
    bool blocked(const std::string& address) {
        return service().siteLogs().blocked().find(service().siteLogs().keyOf(address)) != nullptr;
    }
    size_t logged() {
        return service().siteLogs().visited().size() + service().siteLogs().blocked().size();
    }

    FakeClock clock;
    RecordingDialogs dialogs;
    Latin1Codec codec;
    std::ostringstream console;

  private:
    TempDirectory dir_;
    ServiceFiles files_{dir_};
    std::unique_ptr<ServiceCore> core_;
};

}  // namespace tb::testing
