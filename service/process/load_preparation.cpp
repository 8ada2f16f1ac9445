#include "service/process/load_preparation.h"

#include <cstdio>

#include "common/ansi_text.h"
#include "service/settings/update_time.h"
#include "service/uninstall/uninstall_steps.h"

namespace tb {

bool LoadPreparation::beforeLoad() {
    removeInstallerLeftovers();
    const settings::InstallMode mode = settings::readInstallMode(registry_);
    if (mode.keyExists && !mode.usingProxy) return false;
    const uint32_t usingProxy = mode.valueOrZero();
    if (usingProxy >= uninstall::kPending) {
        if (actions_.uninstallStepTwo) actions_.uninstallStepTwo(usingProxy);
        return false;
    }
    emptyOtherBrowserHelpers(registry_);
    if (registry32_) emptyOtherBrowserHelpers(*registry32_);
    if (usingProxy == uninstall::kProxyMode && actions_.startProxyMode) actions_.startProxyMode();
    return true;
}

void LoadPreparation::removeInstallerLeftovers() {
    for (const char* name : {"Install.log", "Unregistertbhelp.EXE", "Unwise.exe"}) {
        std::remove((productFolder_ + name).c_str());
    }
}

void LoadPreparation::emptyOtherBrowserHelpers(Registry& registry) {
    std::vector<std::string> helpers = registry.subkeys(RegRoot::LocalMachine, kBrowserHelpersKey);
    if (helpers.size() > kHelpersExamined) helpers.resize(kHelpersExamined);
    for (const std::string& helper : helpers) {
        if (lowered(helper) == lowered(kSystemHelper) || lowered(helper) == lowered(kOurHelper)) {
            continue;
        }
        const std::string key = std::string(kBrowserHelpersKey) + "\\" + helper;
        registry.deleteTree(RegRoot::LocalMachine, key);
        registry.createKey(RegRoot::LocalMachine, key);
    }
}

}  // namespace tb
