// What the rest of the stack asks of the device table.
#pragma once

#include "kernel/base/Win32Types.h"

// The host interface index of a registered device; 0 for an unknown handle.
int TovTCPDeviceInterfaceIndex(DWORD handle);
