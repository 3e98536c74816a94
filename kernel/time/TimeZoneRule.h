// The controller's time-zone text ("EST5EDT", "CET-1CEST", "CUT0") and the bias it gives.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kernel/base/Win32Types.h"

// The kernel reads at most this many characters of the TZ variable.
constexpr std::size_t kTimeZoneTextMax = 19;
// Longest zone name kept, without the terminator.
constexpr std::size_t kTimeZoneNameMax = 31;

struct TovTimeZoneRule {
    char standardName[kTimeZoneNameMax + 1];
    char daylightName[kTimeZoneNameMax + 1];
    LONG biasMinutes;  // UTC = local standard time + bias
    bool hasDaylight;
};

// Parses the text (cut to kTimeZoneTextMax characters); null or empty gives "CUT0".
TovTimeZoneRule TovParseTimeZone(const char* text);

// Bias in effect at the given UTC second: one hour less while daylight time runs (first
// Sunday of April 02:00 to last Sunday of October 02:00, local time).
LONG TovTimeZoneBiasAt(const TovTimeZoneRule& rule, std::int64_t unixSeconds);
