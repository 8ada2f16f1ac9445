// The proxy-mode thread of the service process. Load starts it while
// usingProxy is 1; the process keeps one such thread however often the
// lists are loaded again. Its Save and needUpdate calls on the Log object
// run under the service lock (service_lock.h) and stop once the lock is
// closed at the orderly end.
#pragma once

#include <functional>
#include <memory>

#include "common/registry.h"
#include "service/timed/proxy_keeper.h"

namespace tb {

class ServiceLock;

// True when this call started the thread.
bool startProxyKeeping(
    std::unique_ptr<Registry> registry, std::function<void()> save,
    std::function<void()> needUpdate, ServiceLock& lock,
    proxy::ProxyKeeper::Period period = proxy::ProxyKeeper::Period(proxy::kRoundSeconds * 1000));
void stopProxyKeeping();
bool proxyKeepingRuns();

}  // namespace tb
