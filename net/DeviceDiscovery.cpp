// Finding the devices of the loaded Ethernet drivers.
#include <cstdio>
#include <string>

#include "app/services/EmbeddedTarget.h"
#include "app/startup/DllRelease.h"
#include "kernel/boot/Console.h"
#include "kernel/time/Time.h"
#include "net/tIPStack.h"

namespace nIPStack {
namespace {

using nZUKORAEthernet100::iDevice;
using nZUKORAEthernet100::tStatus;

constexpr DWORD kBeforeDiscoveryMs = 1000;
constexpr DWORD kPerDriverMs = 1000;

COORD cursor() {
    COORD at{};
    TovGetConsoleCursor(&at);
    return at;
}

// Takes a driver line without devices off the console. On a terminal it is overwritten
// with spaces; a plain stream cannot take text back, so there the line is only ended, and
// the next driver's line starts on a line of its own.
void eraseDriverLine(COORD& lineStart) {
    std::fflush(stdout);
    if (!TovConsoleIsTerminal()) {
        std::fputs("\n", stdout);
        std::fflush(stdout);
        lineStart = cursor();
        return;
    }
    const COORD now = cursor();
    if (now.Y != lineStart.Y) {
        return;  // trace lines came between: the driver's line is no longer the last one
    }
    TovSetConsoleCursor(lineStart);
    std::fputs(std::string(static_cast<std::size_t>(now.X - lineStart.X), ' ').c_str(), stdout);
    std::fflush(stdout);
    TovSetConsoleCursor(lineStart);
}

}  // namespace

void tIPStack::findDevices() {
    std::fputs("\nFinding devices for Ethernet drivers:\n", stdout);
    std::fflush(stdout);
    TovPacingSleep(kBeforeDiscoveryMs);
    COORD lineStart = cursor();

    for (std::size_t i = 0; i < drivers_.size();) {
        tDriverEntry& driver = *drivers_[i];
        std::printf("\t%s driver ... ", driver.name.c_str());
        std::fflush(stdout);
        TovPacingSleep(kPerDriverMs);
        traceLine("\nInitializing devices for driver %s.\n", driver.name.c_str());

        // One status for every call of this driver: after a fatal error the rest fail too.
        tStatus status = 0;
        std::uint32_t count = driver.driver->getNumberOfDevices(&status);
        if (status < 0) {
            traceLine("getNumberOfDevices returned fatal error %d.\n", static_cast<int>(status));
            count = 0;
        } else {
            if (count != 0) {
                std::printf("found %d device(s).\n", static_cast<int>(count));
                std::fflush(stdout);
                lineStart = cursor();
            } else {
                eraseDriverLine(lineStart);
            }
            traceLine("getNumberOfDevices returned %d.\n", static_cast<int>(count));
        }

        bool recorded = false;
        for (std::uint32_t index = 0; index < count; ++index) {
            traceLine("Calling getDevice for device %d.\n", static_cast<int>(index));
            iDevice* device = driver.driver->getDevice(index, &status);
            if (status < 0 || device == nullptr) {
                traceLine("getDevice returned fatal error %d.\n", static_cast<int>(status));
                continue;
            }
            TovTCPDeviceCfg record{};
            record.ipEnabled = 1;
            std::uint8_t macOverride[6] = {};
            if (index == 0) {
                rx_fwk::EmbeddedTarget::instance().macAddressOverride(macOverride);
            }
            traceLine("Calling initializeDevice for device %d.\n", static_cast<int>(index));
            iDevice::tOSSpecificParameter parameter;
            parameter.deviceConfig = &record;
            device->initializeDevice(&parameter, macOverride, &status);
            if (status < 0) {
                traceLine("initializeDevice returned fatal error %d.\n", static_cast<int>(status));
            }
            const std::uint32_t handle = parameter.handle;
            if (status < 0) {
                traceLine("getHandle returned fatal error %d.\n", static_cast<int>(status));
            }
            std::uint8_t scratch[6] = {};
            const std::uint8_t* mac = device->getMACAddress(scratch, &status);
            if (status < 0 || mac == nullptr) {
                traceLine("getMACAddress returned fatal error %d.\n", static_cast<int>(status));
                continue;
            }
            traceLine("Device %d initialized successfully.\n", static_cast<int>(index));
            devices_.push_back(tDeviceEntry{&driver, tMACAddress(mac), handle, device, 0});
            recorded = true;
        }

        if (!recorded) {
            traceLine("No devices initialized; unloading driver.\n");
            rx_fwk::releaseDll(driver.module);
            drivers_.erase(drivers_.begin() + static_cast<std::ptrdiff_t>(i));
            continue;
        }
        ++i;
    }
    traceLine("\n");

    if (devices_.empty()) {
        std::fputs("\tError! No supported network devices found. A network adapter with\n", stdout);
        std::fputs("\ta supported ethernet chipset is required.\n", stdout);
        std::fflush(stdout);
    }
}

}  // namespace nIPStack
