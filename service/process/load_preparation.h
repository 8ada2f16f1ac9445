// The first steps of every Load, which belong to the installation and the
// process rather than to the lists: the installer's leftovers go, a pending
// uninstall runs its second step instead of the load, other browser helpers
// are emptied out of the browser's registry, and proxy mode starts its
// thread.
#pragma once

#include <functional>
#include <string>

#include "common/registry.h"
#include "service/process/service_core.h"

namespace tb {

inline constexpr char kBrowserHelpersKey[] =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
// The browser's own helper and ours stay registered.
inline constexpr char kSystemHelper[] = "{00000000-E5DA-11d2-8BDD-0000C0301BE5}";
inline constexpr char kOurHelper[] = "{AEF74060-ECDE-11d2-8BDD-0000C0301BE5}";
inline constexpr size_t kHelpersExamined = 10;

class LoadPreparation : public LoadSteps {
  public:
    struct Actions {
        std::function<void(uint32_t usingProxy)> uninstallStepTwo;
        std::function<void()> startProxyMode;  // each Load in proxy mode
    };
    // productFolder ends with its separator. registry32 is the registry view
    // of 32-bit programs on 64-bit Windows, where the 32-bit browser finds its
    // helpers; null elsewhere.
    LoadPreparation(Registry& registry, std::string productFolder, Actions actions,
                    Registry* registry32 = nullptr)
        : registry_(registry),
          registry32_(registry32),
          productFolder_(std::move(productFolder)),
          actions_(std::move(actions)) {}

    bool beforeLoad() override;

  private:
    void removeInstallerLeftovers();
    void emptyOtherBrowserHelpers(Registry& registry);

    Registry& registry_;
    Registry* registry32_;
    std::string productFolder_;
    Actions actions_;
};

}  // namespace tb
