// The application's DLL load: every DLL the application loads (drivers, libiconv, the
// preloaded ones) goes through it.
#pragma once

#include "kernel/base/Win32Types.h"

namespace rx_fwk {

// Loads the DLL with the kernel's loader as dllLoadOptions() say. Null on failure; either
// way the kernel's last error is what the load left.
HMODULE loadDll(const char* name);

}  // namespace rx_fwk
