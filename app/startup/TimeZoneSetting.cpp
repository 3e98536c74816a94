// Time zone: read early with the kernel's profile reader, before the settings store is in use.
#include "app/startup/TimeZoneSetting.h"

#include "kernel/fs/Environment.h"
#include "kernel/profile/Profile.h"

namespace rx_fwk {

std::string applyTimeZoneSetting() {
    char zone[20] = {};
    GetPrivateProfileStringA("KORA", "RTTarget.TimeZone", "CUT0", zone, sizeof zone,
                             "C:\\zu-rt.ini");
    SetEnvironmentVariableA("TZ", zone);
    return zone;
}

}  // namespace rx_fwk
