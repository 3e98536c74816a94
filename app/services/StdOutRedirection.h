// Standard output sent to a file named in the settings, framed by start and stop banners.
#pragma once

#include <string>

namespace rx_fwk {

class ConfigManager;

// Reads [Debug] StdOutRedirectionFile; when set, appends standard output to that file and
// registers the stop as a reboot callback. A failure is reported on standard error.
void setUpStdOutRedirection();
void setUpStdOutRedirection(ConfigManager& settings);

// Writes the stop banner and gives standard output back to the console.
void stopStdOutRedirection();

// The local time as "Www Mmm dd hh:mm:ss yyyy".
std::string bannerTime();

}  // namespace rx_fwk
