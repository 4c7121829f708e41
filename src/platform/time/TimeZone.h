#pragma once
// The computer's time zone as Windows describes it.

#include <cstdint>

namespace tarnwick::timezone {

// The base bias of the time zone: minutes to add to local standard time to get UTC
// (so a zone east of Greenwich has a negative bias). Daylight saving is not
// applied. False when the zone cannot be read. Honours TZ.
bool TryGetBaseBias(std::int32_t& biasMinutes);

} // namespace tarnwick::timezone
