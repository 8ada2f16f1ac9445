// Fakes of the service's seams for the core tests, and a service core on a
// temporary directory built from them.
#pragma once

#include <memory>
#include <sstream>
#include <vector>

#include "common/tests/memory_registry.h"
#include "service/dialogs/tests/recording_dialogs.h"
#include "service/lists/tests/list_builder.h"
#include "service/process/service_core.h"
#include "service/settings/tests/settings_fakes.h"
#include "service/storage/tests/memory_compound_file.h"

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

class RecordingIndicators : public FilterIndicators {
  public:
    void filterOn(bool on) override { hookCalls.push_back(on); }
    void showFilterIcon(bool on) override { icons.push_back(on); }
    std::vector<bool> hookCalls;
    std::vector<bool> icons;
};

// The stores of a service that keeps its logs, settings and password: in
// memory, and outliving the cores made on them, as files on disk do.
struct ServiceStores {
    storage::testing::MemoryCompoundFiles compoundFiles;
    storage::Latin1CodePage codePage;
    MemoryRegistry registry;
    dialogs::testing::RecordingDialogs serviceDialogs;
    settings::testing::FixedClock calendar;
    RecordingIndicators indicators;
    PasswordSeams password{registry, serviceDialogs, calendar};
};

// A service core over a temporary directory. The files are written by the
// test through files(); the core is made and loaded on first use. With
// stores, it keeps logs, settings and the password in them; restart() makes
// a new core on the same files, as a new start of the service does.
class ServiceFixture {
  public:
    explicit ServiceFixture(ServiceStores* stores = nullptr) : stores_(stores) {}
    void restart() { core_.reset(); }

    ServiceFiles& files() { return files_; }
    const TempDirectory& dir() const { return dir_; }

    ServiceCore& service() {
        if (!core_) {
            if (!files_.completed()) files_.complete();
            ServiceSeams seams{clock, dialogs, codec, console};
            if (stores_) {
                seams.files = &stores_->compoundFiles;
                seams.codePage = &stores_->codePage;
                seams.password = &stores_->password;
                seams.indicators = &stores_->indicators;
            }
            core_ = std::make_unique<ServiceCore>(dir_.dir(), seams);
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
    ServiceStores* stores_;
    TempDirectory dir_;
    ServiceFiles files_{dir_};
    std::unique_ptr<ServiceCore> core_;
};

}  // namespace tb::testing
