// The contract between the driver loader and an Ethernet driver DLL, driver side: the
// exported entry point, the interface versions and the driver object. The DLLs are built
// against this header (and iDevice.h); the virtual operations keep their slot order.
//
// Status convention: every driver and device operation takes a pointer to a signed 32-bit
// status as its last argument. Negative is a fatal error, 0 success, positive a warning. An
// operation entered with a negative status does nothing and leaves the status as it is; one
// that fails stores its negative code; one that succeeds with a warning stores its positive
// code only over a status of 0.
#pragma once

#include <cstdint>

namespace nZUKORAEthernet100 {

using tStatus = std::int32_t;

class iDevice;

// The driver interface version this loader implements, and the oldest it accepts.
constexpr std::uint32_t kHostInterfaceVersion = 0x0100C000;
constexpr std::uint32_t kMinimumDriverInterfaceVersion = 0x01004000;

// Refusals of getDriverObject by the drivers of this image.
constexpr tStatus kStatusHostBelowMinimum = -1;  // the host's version is below the minimum
constexpr tStatus kStatusHostTooOld = -2;        // the host is older than the driver's interface
constexpr tStatus kStatusDriverTooOld = -3;      // the driver's interface is below the minimum

class iDriver {
public:
    // Carries nothing in this system; its field is always 0.
    class tOSSpecificParameter {
    public:
        virtual ~tOSSpecificParameter() = default;
        std::uint32_t reserved = 0;
    };

    virtual ~iDriver() = default;
    // Prepares the driver: finds the adapters it can serve.
    virtual void initializeDriver(tOSSpecificParameter* parameter, tStatus* status) = 0;
    // Slots 2 to 4 are kept so that the operations below keep theirs; the loader never
    // calls them.
    virtual void unusedSlot2() {}
    virtual void unusedSlot3() {}
    virtual void unusedSlot4() {}
    // How many devices the driver serves; their indices run from 0.
    virtual std::uint32_t getNumberOfDevices(tStatus* status) = 0;
    virtual iDevice* getDevice(std::uint32_t index, tStatus* status) = 0;
};

// The one export every driver DLL has, by this name: answers the driver's single object,
// or stores a negative status when the versions do not fit.
constexpr const char kGetDriverObjectName[] = "getDriverObject";
using tGetDriverObject = iDriver* (*)(std::uint32_t hostInterfaceVersion,
                                      std::uint32_t minimumDriverInterfaceVersion, tStatus* status);

// The checks getDriverObject makes, in this order, for a driver whose own interface has
// `driverVersion`: true when the driver may answer its object, else the status holds the
// refusal. Does nothing on a negative status.
inline bool driverVersionsFit(std::uint32_t hostVersion, std::uint32_t minimumVersion,
                              std::uint32_t driverVersion, tStatus* status) {
    if (*status < 0) {
        return false;
    }
    if (hostVersion < minimumVersion) {
        *status = kStatusHostBelowMinimum;
    } else if (hostVersion < driverVersion) {
        *status = kStatusHostTooOld;
    } else if (driverVersion < minimumVersion) {
        *status = kStatusDriverTooOld;
    }
    return *status >= 0;
}

}  // namespace nZUKORAEthernet100
