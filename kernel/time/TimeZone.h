// The local time zone of the controller, as GetLocalTime applies it.
#pragma once

#include <cstdint>

// Seconds to add to local time to get UTC at the given instant (seconds since 1970, UTC):
// 3600 for a zone one hour west of Greenwich, -3600 one hour east (the sign of a TZ text).
// Local time = UTC - bias.
std::int64_t TovLocalBiasSeconds(std::int64_t unixSeconds);
