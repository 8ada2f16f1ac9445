// A stand-in service object until the Log object carries its settings and
// lists: the Log skeleton as the served object, no password, no master
// code, nothing to load or save.
#include "service/process/log_instance_calls_win32.h"
#include "service/process/local_server_win32.h"
#include "service/process/log_object.h"
#include "service/process/service_object_win32.h"

namespace tb {

namespace {

class PlaceholderCalls : public LogInstanceCalls {
  public:
    std::optional<std::string> passwordEntry() override { return std::nullopt; }
    bool isMasterCode(const std::string&) override { return false; }
    void showAbout() override {}
    void showIncorrectPassword() override {}
    void uninstallStepOne() override { runUninstallStepOne(); }
};

class PlaceholderServiceObject : public ServiceObject {
  public:
    PlaceholderServiceObject() : log_(LogObject::create()) {}
    ~PlaceholderServiceObject() override {
        if (log_) log_->Release();
    }
    IUnknown* object() override { return static_cast<ILog*>(log_); }
    void load() override {}
    void save() override {}
    ServiceCalls& calls() override { return calls_; }

  private:
    LogObject* log_;
    PlaceholderCalls calls_;
};

}  // namespace

std::unique_ptr<ServiceObject> createServiceObject() {
    return std::make_unique<PlaceholderServiceObject>();
}

}  // namespace tb
