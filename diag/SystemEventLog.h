// Saving the kernel's event log to a file for a crash report.
#pragma once

#include <string>

namespace nZUEmbCfg {

// Writes every event the kernel holds, oldest first, replacing the file; recording is
// suspended meanwhile. Returns the number written (0 when none or the file cannot be made).
int saveSystemEvents(const std::string& path);

}  // namespace nZUEmbCfg
