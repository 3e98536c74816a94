#include "drivers/common/InterfaceDriver.h"

#include <cstdarg>
#include <cstdio>

#include "drivers/common/DriverStatus.h"
#include "kernel/boot/DebugPrint.h"
#include "kernel/net/TcpDevice.h"

namespace lbdriver {

using nZUKORAEthernet100::tStatus;

void InterfaceDriver::trace(const char* format, ...) const {
    if (TovMessageLevel("Ethernet") < 10) {
        return;
    }
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    TovDebugPrint("Ethernet: %s: %s\n", name_, text);
}

void InterfaceDriver::initializeDriver(tOSSpecificParameter*, tStatus* status) {
    if (*status < 0) {
        return;
    }
    found_ = findInterfaces();
    initialized_ = true;
    counted_ = false;
}

HostInterfaceDevice* InterfaceDriver::deviceFor(const std::string& interfaceName) {
    for (HostInterfaceDevice* device : made_) {
        if (device->interfaceName() == interfaceName) {
            return device;
        }
    }
    made_.push_back(new HostInterfaceDevice(interfaceName));
    return made_.back();
}

std::uint32_t InterfaceDriver::getNumberOfDevices(tStatus* status) {
    if (*status < 0) {
        return 0;
    }
    if (!initialized_) {
        failWith(status, kStatusNotUp);
        return 0;
    }
    if (!counted_) {
        counted_ = true;
        devices_.clear();
        for (const std::string& name : found_) {
            HostInterfaceDevice* device = deviceFor(name);
            const DWORD carrier = TovTCPFindDevice(name.c_str());
            if (carrier != 0 && carrier != device->handle()) {
                trace("%s carries another driver's device already", name.c_str());
                continue;
            }
            devices_.push_back(device);
        }
    }
    return static_cast<std::uint32_t>(devices_.size());
}

nZUKORAEthernet100::iDevice* InterfaceDriver::getDevice(std::uint32_t index, tStatus* status) {
    if (*status < 0) {
        return nullptr;
    }
    if (index >= devices_.size()) {
        failWith(status, kStatusNoSuchDevice);
        return nullptr;
    }
    return devices_[index];
}

}  // namespace lbdriver
