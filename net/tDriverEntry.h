// One loaded and initialised Ethernet driver of the IP stack service's driver table.
#pragma once

#include <string>

#include "kernel/base/Win32Types.h"
#include "net/iDriver.h"

namespace nIPStack {

struct tDriverEntry {
    std::string name;  // as written in the driver list; also its section in ethernet.ini
    HMODULE module = nullptr;
    bool deterministic = false;  // its section has a non-empty DeterministicDriver
    nZUKORAEthernet100::iDriver* driver = nullptr;  // the DLL's; never deleted here
};

}  // namespace nIPStack
