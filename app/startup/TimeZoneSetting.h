// The controller's time zone from the system settings.
#pragma once

#include <string>

namespace rx_fwk {

// Reads [KORA] RTTarget.TimeZone from C:\zu-rt.ini with the kernel's profile reader (at
// most 19 characters, "CUT0" when absent) and sets TZ to it. Returns the value set.
std::string applyTimeZoneSetting();

}  // namespace rx_fwk
