// What the rest of the application asks of the IP stack service and the IP configuration.
// A stand-in answers until the IP stack service provides the real answers: the network
// settings come from the system settings file, the device from the host's first
// non-loopback interface that is up.
#pragma once

#include <cstdint>
#include <string>

namespace rx_fwk {

class NetworkInfo {
public:
    virtual ~NetworkInfo() = default;

    // MAC address of the first Ethernet device; false and no change when there is none.
    virtual bool getFirstMACAddress(std::uint8_t mac[6]) = 0;
    // A static IP address is configured.
    virtual bool isIPConfigured() = 0;

    // The stack's DHCP flag, and the primary device's address and mask with the stack's
    // gateway and DNS server as dotted texts; address and mask are empty while the device
    // has none. Each out-pointer may be null.
    virtual void getIPSettings(bool* dhcp, std::string* address, std::string* mask,
                               std::string* gateway, std::string* dns);
    // The address text of getIPSettings.
    virtual std::string getIPAddress();
    // Host_Name of [SystemSettings], at most 32 characters.
    virtual std::string getHostName();
    virtual bool getHaltOnError() { return false; }

    // The process-wide provider (the stand-in unless another was installed).
    static NetworkInfo& instance();
    // Installs another provider (the IP stack service, or a test double); null restores
    // the stand-in. The caller keeps ownership.
    static void install(NetworkInfo* provider);
};

}  // namespace rx_fwk
