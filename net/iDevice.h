// The contract between the driver loader and an Ethernet driver DLL, device side: the device
// object a driver hands out, its parameters and the record it registers with the TCP/IP
// stack. Status convention as in iDriver.h; the virtual operations keep their slot order.
#pragma once

#include <cstdint>

#include "kernel/net/TcpDeviceRecord.h"
#include "net/iDriver.h"

namespace nZUKORAEthernet100 {

// Parameters of getParameter and setParameter.
enum tDeviceParameter : std::uint32_t {
    kSupportedMediaModes = 0,      // get: mask of media modes
    kDefaultMediaMode = 1,         // get: one media mode bit
    kMediaMode = 2,                // set
    kOperationMode = 3,            // set: 1 interrupt-driven, 2 polled
    kPollingInterval = 4,          // set, in polled mode only: milliseconds
    kSupportedOperationModes = 5,  // get: mask of operation modes
    kDefaultOperationMode = 6,     // get
};

class iDevice {
public:
    class tOSSpecificParameter {
    public:
        virtual ~tOSSpecificParameter() = default;
        std::uint32_t reserved = 0;
        // In: the record to register the device with (prepared by the loader).
        TovTCPDeviceCfg* deviceConfig = nullptr;
        // Out: the TCP/IP stack's handle of the registered device.
        std::uint32_t handle = 0;
    };

    virtual ~iDevice() = default;
    // Brings the device up and registers it with the TCP/IP stack. A `macOverride` that is
    // not all zeros is the address the device uses instead of its own.
    virtual void initializeDevice(tOSSpecificParameter* parameter,
                                  const std::uint8_t macOverride[6], tStatus* status) = 0;
    // Slots 2 and 3 are kept so that the operations below keep theirs.
    virtual void unusedSlot2() {}
    virtual void unusedSlot3() {}
    virtual std::uint32_t getParameter(std::uint32_t parameter, tStatus* status) = 0;
    virtual void setParameter(std::uint32_t parameter, std::uint32_t value, tStatus* status) = 0;
    // The device's current address (6 bytes); `scratch` is the caller's room for it.
    virtual const std::uint8_t* getMACAddress(std::uint8_t scratch[6], tStatus* status) = 0;
};

}  // namespace nZUKORAEthernet100
