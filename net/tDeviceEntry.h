// One initialised Ethernet device of the IP stack service's device table. The table's order
// gives the device numbers (from 1 on the console, from 0 in queries); its first entry is
// the default primary device.
#pragma once

#include <cstdint>

#include "net/iDevice.h"
#include "net/tDriverEntry.h"
#include "net/tMACAddress.h"

namespace nIPStack {

struct tDeviceEntry {
    tDriverEntry* driverEntry = nullptr;  // the driver that serves it
    tMACAddress mac;
    std::uint32_t handle = 0;                       // the TCP/IP stack's handle
    nZUKORAEthernet100::iDevice* device = nullptr;  // the DLL's; never deleted here
    std::uint32_t mode = 0;  // 1 disabled, 2 TCP/IP, 4 deterministic; 0 until bring-up
};

}  // namespace nIPStack
