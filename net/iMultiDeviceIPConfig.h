// The IP configuration of several Ethernet devices: the primary device, per-device settings
// in netconf.ini, stack limits and media/operation modes. Slot order 8 to 19, after iIPConfig.
#pragma once

#include <cstdint>
#include <string>

#include "net/iIPConfig.h"
#include "net/tMACAddress.h"

namespace nIPStack {

// Device mode codes.
enum DeviceMode : std::int32_t {
    DeviceDisabled = 1,
    DeviceTCPIP = 2,
    DeviceDeterministic = 4,
};

// Media mode bits.
enum MediaMode : std::int32_t {
    MediaAuto = 1,
    Media10Half = 2,
    Media10Full = 4,
    Media100Half = 8,
    Media100Full = 16,
    Media1000Half = 32,
    Media1000Full = 64,
};

// Operation mode codes.
enum OperationMode : std::int32_t {
    OperationInterrupt = 1,
    OperationPolled = 2,
};

// Every operation that takes a MAC refuses (false, nothing changed) one that is not among
// the devices present at construction.
class iMultiDeviceIPConfig : public iIPConfig {
public:
    virtual void getPrimaryMAC(tMACAddress& mac) = 0;
    virtual bool setPrimaryMAC(const tMACAddress& mac) = 0;
    virtual bool getDeviceSettings(const tMACAddress& mac, std::int32_t& mode, std::string& address,
                                   std::string& mask) = 0;
    virtual bool setDeviceSettings(const tMACAddress& mac, std::int32_t mode,
                                   const std::string& address, const std::string& mask) = 0;
    virtual std::int32_t getMaxSockets() = 0;
    virtual bool setMaxSockets(std::int32_t count) = 0;
    virtual std::int32_t getTTLFieldValue() = 0;
    virtual bool setTTLFieldValue(std::int32_t ttl) = 0;
    // `deviceDefault` is what the driver reports as the device's own default; a null out
    // pointer answers true at once.
    virtual bool getMediaMode(const tMACAddress& mac, std::int32_t* mode,
                              std::int32_t deviceDefault) = 0;
    // The interval is 1 to 10000 in polled mode and 0 otherwise.
    virtual bool getOperationMode(const tMACAddress& mac, std::int32_t* mode,
                                  std::int32_t deviceDefault, std::int32_t* pollingInterval) = 0;
    virtual bool setMediaMode(const tMACAddress& mac, std::int32_t mode,
                              std::int32_t deviceDefault) = 0;
    virtual bool setOperationMode(const tMACAddress& mac, std::int32_t mode,
                                  std::int32_t deviceDefault, std::int32_t pollingInterval) = 0;

protected:
    ~iMultiDeviceIPConfig() = default;
};

}  // namespace nIPStack
