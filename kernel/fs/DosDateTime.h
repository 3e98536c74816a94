// MS-DOS date and time (as ZIP members carry them) to a Win32 file time.
#pragma once

#include <cstdint>

#include "kernel/base/Win32Types.h"

// The fields are taken as written, without a time zone: years 1980 to 2107, two-second
// steps. Fields out of range (month 0, day 0) still give a defined time.
FILETIME TovDosDateTimeToFileTime(std::uint16_t date, std::uint16_t time);
