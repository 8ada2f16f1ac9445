#include "service/settings/clock.h"

#include <ctime>

namespace tb::settings {

int64_t SystemClock::now() const {
    return static_cast<int64_t>(std::time(nullptr));
}

LocalDate SystemClock::today() const {
    const std::time_t t = std::time(nullptr);
    std::tm local = {};
#ifdef _WIN32
    localtime_s(&local, &t);
#else
    localtime_r(&t, &local);
#endif
    return {local.tm_mday, local.tm_mon, local.tm_year};
}

}  // namespace tb::settings
