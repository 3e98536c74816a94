// Local time follows the TZ variable as the controller reads it, read afresh each time.
// (The controller also sets its clock again from the battery-backed clock the first time it
// finds TZ; here the host keeps the clock, so there is nothing to set.)
#include "kernel/time/TimeZone.h"

#include <string>

#include "kernel/fs/Environment.h"
#include "kernel/time/TimeZoneRule.h"

std::int64_t TovLocalBiasSeconds(std::int64_t unixSeconds) {
    std::string text(64, '\0');
    DWORD length = GetEnvironmentVariableA("TZ", text.data(), static_cast<DWORD>(text.size()));
    if (length >= text.size()) {
        text.resize(length);
        length = GetEnvironmentVariableA("TZ", text.data(), length);
    }
    text.resize(length < text.size() ? length : text.size());
    // Absent gives "CUT0"; only the first 19 characters count.
    const TovTimeZoneRule rule = TovParseTimeZone(length == 0 ? nullptr : text.c_str());
    return static_cast<std::int64_t>(TovTimeZoneBiasAt(rule, unixSeconds)) * 60;
}
