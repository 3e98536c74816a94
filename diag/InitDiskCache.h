// Start-up of the disk write cache from section [kora] of the system settings.
#pragma once

namespace rx_fwk {
class ConfigManager;
}

namespace nZUEmbCfg {

// Registers the cache's removal as a reboot callback, reads the RTTarget.DiskCache.* keys,
// installs and enables the cache as they say and logs the outcome.
void InitDiskCache();
void InitDiskCache(rx_fwk::ConfigManager& settings);

}  // namespace nZUEmbCfg
