// The host's PCI functions as sysfs shows them (/sys/bus/pci/devices/SSSS:BB:DD.F/).
#pragma once

#include <string>
#include <vector>

#include "kernel/hw/Pci.h"

// Tests point the kernel at a tree of their own; "" goes back to /sys/bus/pci.
void TovPCIUseSysfsRoot(const std::string& root);

struct TovPCIFunction {
    TovPCIAddress address;
    std::string directory;  // host path of the function's directory
};

// Every function, in bus order (segment, bus, device, function).
std::vector<TovPCIFunction> TovPCIFunctions();

// The directory of one function; empty when it does not exist.
std::string TovPCIFunctionDirectory(const TovPCIAddress& address);

// A number in a sysfs attribute ("0x8086\n"); false when it cannot be read.
bool TovPCIReadAttribute(const std::string& directory, const char* name, unsigned long& value);
