// The IP stack service's devices, as the configuration commands query them. Slots 7 to 12,
// after iIPStack; the last operation is an addition of this system.
#pragma once

#include <cstdint>
#include <string>

#include "net/iIPStack.h"
#include "net/tMACAddress.h"

namespace nIPStack {

class iMultiDeviceIPStack : public iIPStack {
public:
    virtual unsigned getDeviceCount() = 0;
    // False when `index` is not below the count.
    virtual bool getDeviceMACAddress(unsigned index, tMACAddress& mac) = 0;
    virtual bool hasDevice(const tMACAddress& mac) = 0;
    // Disabled and TCP/IP (3), and deterministic too (7) on a deterministic driver's device;
    // false for a MAC no device has.
    virtual bool getSupportedDeviceModes(const tMACAddress& mac, std::uint32_t& modes) = 0;
    // The device's supported media modes and its default one, each out-pointer may be null;
    // false for a MAC no device has, or when the device fails the query.
    virtual bool getMediaModeInfo(const tMACAddress& mac, std::uint32_t* supported,
                                  std::uint32_t* defaultMode) = 0;
    // The same for the operation modes.
    virtual bool getOperationModeInfo(const tMACAddress& mac, std::uint32_t* supported,
                                      std::uint32_t* defaultMode) = 0;
    // The host interface that carries the primary device, which the command server's UDP
    // transport listens on; false before a successful start.
    virtual bool getPrimaryInterface(std::string& name) {
        (void)name;
        return false;
    }
};

}  // namespace nIPStack
