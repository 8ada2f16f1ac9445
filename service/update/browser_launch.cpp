#include "service/update/browser_launch.h"

namespace tb::update {

std::string internetExplorerDirectory(Registry& registry) {
    std::string path = registry.readString(RegRoot::LocalMachine, kIeSetupKey, "Path").value_or("");
    if (path.empty())
        path = registry.readString(RegRoot::LocalMachine, kIe4SetupKey, "Path").value_or("");
    if (path.size() > 259) path.resize(259);
    return path;
}

std::string internetExplorerCommandLine(const std::string& address) {
    return "Iexplore.exe " + address;
}

}  // namespace tb::update
