// The resident service's object: the Log object with its lists, logs,
// settings and password, wired to the hook library, the tray icon and the
// uninstall dialog of the process.
#include "service/process/service_object_win32.h"

#include "common/ansi_text.h"
#include "common/class_factory.h"
#include "common/com_convert.h"
#include "common/tbserv.h"
#include "common/type_library.h"
#include "hook/hook_companion.h"
#include "hook/tbhook.h"
#include "service/dialogs/dialog_ids.h"
#include "service/dialogs/service_dialogs_win32.h"
#include "service/process/hook_companion_win32.h"
#include "service/process/load_preparation.h"
#include "service/process/local_server_win32.h"
#include "service/process/log_instance_calls_win32.h"
#include "service/process/log_object.h"
#include "service/process/service_dialogs_win32.h"
#include "service/process/proxy_keeping.h"
#include "service/process/service_lock.h"
#include "service/process/url_info_object.h"
#include "service/uninstall/uninstall_steps.h"
#include "service/uninstall/uninstall_win32.h"

namespace tb {

namespace {

// The tray's and dialogs' calls: the filter switch and time logging through
// a Log instance, as any client makes them; the password and master code
// from the object itself.
class LogServiceCalls : public LogInstanceCalls {
  public:
    explicit LogServiceCalls(LogObject& log) : log_(log) {}
    std::optional<std::string> passwordEntry() override {
        return log_.withCore([](ServiceCore& core) { return core.passwordEntry(); });
    }
    bool isMasterCode(const std::string& typed) override {
        return log_.withCore([&](ServiceCore& core) { return core.isMasterCode(lowered(typed)); });
    }
    void showAbout() override { log_.About(); }
    void showIncorrectPassword() override {
        dialogs::Win32ServiceDialogs(thisModule()).show(IDD_INCORRECT_PASSWORD);
    }
    void uninstallStepOne() override { runUninstallStepOne(); }

  private:
    LogObject& log_;
};

class LogServiceObject : public ServiceObject {
  public:
    LogServiceObject() : log_(LogObject::create(LogObject::LoadLater{})), calls_(*log_) {
        log_->onFilterOn = [this](bool on) {
            THFilterOn(on);
            filterOn_ = on;
            hookCompanion_.filterOn(on);
        };
        log_->onFilterIcon = [](bool on) { showFilterState(on); };
        log_->showUninstallDialog = [this] { showUninstallDialog(calls_); };
        log_->reminderUi = &reminderUi_;
        log_->core().setLoadSteps(&preparation_);
    }
    ~LogServiceObject() override { log_->Release(); }

    IUnknown* object() override { return static_cast<ILog*>(log_); }
    void load() override { log_->Load(); }
    void save() override { log_->Save(); }
    ServiceCalls& calls() override { return calls_; }
    void initializeHook() override {
        THInitialize(nullptr);
        hookCompanion_.start(filterOn_);
    }
    std::vector<std::pair<CLSID, Microsoft::WRL::ComPtr<IClassFactory>>> otherClasses() override {
        Microsoft::WRL::ComPtr<IClassFactory> factory;
        factory.Attach(ClassFactory<UrlInfoObject>::create());
        if (!factory) return {};
        return {{CLSID_CUrlInfo, factory}};
    }

  private:
    static void uninstallStepTwo(uint32_t usingProxy) {
        ServiceProcess& process = serviceProcess();
        HMODULE module = process.module ? process.module : GetModuleHandleW(nullptr);
        uninstall::Win32UninstallSystem system(
            {[module] { unregisterRegistrations(module); }, endService, process.restart});
        Win32Registry registry;
        const auto wow64 = uninstall::Wow64Machine::detect();
        uninstall::uninstallStepTwo(uninstall::systemDirectory(), usingProxy, registry, system,
                                    wow64 ? &wow64->side() : nullptr);
    }
    // The proxy-mode thread saves and asks for the update reminder as a
    // client would, under the service lock.
    void startProxyMode() {
        startProxyKeeping(
            std::make_unique<Win32Registry>(), [this] { log_->Save(); },
            [this] {
                BSTR url = nullptr;
                VARIANT_BOOL need = 0;
                log_->needUpdate(&url, &need);
                SysFreeString(url);
            },
            serviceLock());
    }

    LogObject* log_;
    LogServiceCalls calls_;
    HookCompanion hookCompanion_{moduleDirectory(nullptr) + toWide(hook::kCompanionProgram)};
    bool filterOn_ = true;  // as the hook library starts
    DialogReminderUi reminderUi_;
    Win32Registry registry_;
    std::unique_ptr<uninstall::Wow64Machine> wow64_ = uninstall::Wow64Machine::detect();
    LoadPreparation preparation_{registry_,
                                 uninstall::productFolder(uninstall::systemDirectory()),
                                 {uninstallStepTwo, [this] { startProxyMode(); }},
                                 wow64_ ? &wow64_->side().registry : nullptr};
};

}  // namespace

std::unique_ptr<ServiceObject> createServiceObject() {
    return std::make_unique<LogServiceObject>();
}

}  // namespace tb
