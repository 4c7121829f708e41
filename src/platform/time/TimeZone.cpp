#include "platform/time/TimeZone.h"

#include <ctime>

namespace tarnwick::timezone {

bool TryGetBaseBias(std::int32_t& biasMinutes) {
    // tzset fills `timezone` with the standard-time offset in seconds west of UTC.
    tzset();
    biasMinutes = static_cast<std::int32_t>(::timezone / 60);
    return true;
}

} // namespace tarnwick::timezone
