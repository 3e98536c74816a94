// What the rest of the application asks of the IP stack service: its devices and the
// current address. A stand-in answers until the IP stack service provides the real answers:
// the device is the host's first non-loopback interface that is up. The stored settings
// are the IP configuration's (net/ipConfig.h).
#pragma once

#include <cstdint>
#include <string>

namespace rx_fwk {

class NetworkInfo {
public:
    virtual ~NetworkInfo() = default;

    // MAC address of the first Ethernet device; false and no change when there is none.
    virtual bool getFirstMACAddress(std::uint8_t mac[6]) = 0;
    // The devices in table order; the stand-in has at most one.
    virtual unsigned getDeviceCount();
    // False when `index` is not below the count.
    virtual bool getDeviceMACAddress(unsigned index, std::uint8_t mac[6]);

    // The stack's DHCP flag, and the primary device's address and mask with the stack's
    // gateway and DNS server as dotted texts; address and mask are empty while the device
    // has none. Each out-pointer may be null.
    virtual void getIPSettings(bool* dhcp, std::string* address, std::string* mask,
                               std::string* gateway, std::string* dns);
    // The address text of getIPSettings.
    virtual std::string getIPAddress();

    // The process-wide provider (the stand-in unless another was installed).
    static NetworkInfo& instance();
    // Installs another provider (the IP stack service, or a test double); null restores
    // the stand-in. The caller keeps ownership.
    static void install(NetworkInfo* provider);
};

}  // namespace rx_fwk
