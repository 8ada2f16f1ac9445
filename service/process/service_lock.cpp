#include "service/process/service_lock.h"

namespace tb {

ServiceLock& serviceLock() {
    static ServiceLock lock;
    return lock;
}

}  // namespace tb
