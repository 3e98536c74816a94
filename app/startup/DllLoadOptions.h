// How the application loads DLLs: the two Debug settings its DLL load follows.
#pragma once

#include "config/ConfigManager.h"

namespace rx_fwk {

struct DllLoadOptions {
    bool printLoadInfo = false;      // the kernel loader's messages raised by 40 during a load
    bool loadFromHostFirst = false;  // the development host's files before the local ones
};

// Debug/PrintDLLLoadInfo (default false) and Debug/LoadDLLsFromHostFirst (default: whether
// the kernel's boot-information flag is 1).
DllLoadOptions readDllLoadOptions(ConfigManager& settings);

// What the application's DLL load follows: the defaults until start-up sets them.
DllLoadOptions dllLoadOptions();
void setDllLoadOptions(const DllLoadOptions& options);

}  // namespace rx_fwk
