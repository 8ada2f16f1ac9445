#include "service/process/proxy_keeping.h"

#include <mutex>

#include "service/process/service_lock.h"

namespace tb {

namespace {

std::mutex keeperMutex;
std::unique_ptr<proxy::ProxyKeeper> keeper;

std::function<void()> underLock(std::function<void()> call, ServiceLock& lock) {
    if (!call) return nullptr;
    return [call = std::move(call), &lock] {
        ServiceLock::WorkerGuard guard(lock);
        if (guard) call();
    };
}

}  // namespace

bool startProxyKeeping(std::unique_ptr<Registry> registry, std::function<void()> save,
                       std::function<void()> needUpdate, ServiceLock& lock,
                       proxy::ProxyKeeper::Period period) {
    std::lock_guard<std::mutex> held(keeperMutex);
    if (keeper) return false;
    keeper = std::make_unique<proxy::ProxyKeeper>(
        std::move(registry),
        proxy::ProxyCallbacks{underLock(std::move(save), lock),
                              underLock(std::move(needUpdate), lock)},
        period);
    keeper->start();
    return true;
}

void stopProxyKeeping() {
    std::unique_ptr<proxy::ProxyKeeper> ending;
    {
        std::lock_guard<std::mutex> held(keeperMutex);
        ending = std::move(keeper);
    }
    if (ending) ending->stop();
}

bool proxyKeepingRuns() {
    std::lock_guard<std::mutex> held(keeperMutex);
    return keeper && keeper->running();
}

}  // namespace tb
