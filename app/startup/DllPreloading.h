// Start-up DLLs: how the application loads DLLs, and the DLLs it loads at start-up.
#pragma once

#include "config/ConfigManager.h"

namespace rx_fwk {

// Takes the DLL load options from the settings, prepares the release queue and loads every
// DLL of Debug/PreloadedDLLs (";"-separated) in order; one that fails is skipped silently.
// The DLLs stay loaded.
void setUpDllPreloading(ConfigManager& settings);

}  // namespace rx_fwk
