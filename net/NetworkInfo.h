// What the rest of the application asks of the IP stack service and the IP configuration.
// A stand-in answers until the IP stack service provides the real answers.
#pragma once

#include <cstdint>

namespace rx_fwk {

class NetworkInfo {
public:
    virtual ~NetworkInfo() = default;

    // MAC address of the first Ethernet device; false and no change when there is none.
    virtual bool getFirstMACAddress(std::uint8_t mac[6]) = 0;
    // A static IP address is configured.
    virtual bool isIPConfigured() = 0;

    // The process-wide provider (the stand-in unless another was installed).
    static NetworkInfo& instance();
    // Installs another provider (the IP stack service, or a test double); null restores
    // the stand-in. The caller keeps ownership.
    static void install(NetworkInfo* provider);
};

}  // namespace rx_fwk
