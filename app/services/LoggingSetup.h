// Start-up of the error log from the [rtlog] settings.
#pragma once

#include <cstdint>
#include <string>

namespace rx_fwk {

class ConfigManager;

// "Error" 0, "Warning" 1, "Informational" 2 (any case); any other text 1.
std::int32_t filterLevelOf(const std::string& text);

// Reads the settings, opens the file when logging to it, creates the process-wide error
// log, registers its close as a reboot callback and logs what was out of range. Returns
// the creation result (0, 2 no memory, 6 no lock).
int setUpLogging();
// The same from the given store, with the file at `logPath`.
int setUpLogging(ConfigManager& settings, const std::string& logPath);

}  // namespace rx_fwk
