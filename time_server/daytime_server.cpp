#include "time_server/daytime_server.h"

namespace tb {

DaytimeServer readDaytimeServer(Registry& registry) {
    DaytimeServer server;
    const auto host = registry.readString(RegRoot::LocalMachine, kProductKey, kTimeServerHostValue);
    if (host && !host->empty()) {
        server.host = *host;
        server.configured = true;
    }
    const auto port = registry.readDword(RegRoot::LocalMachine, kProductKey, kTimeServerPortValue);
    if (port && *port >= 1 && *port <= 65535) server.port = static_cast<uint16_t>(*port);
    return server;
}

}  // namespace tb
