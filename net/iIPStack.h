// The IP stack service as a single-device user sees it: the service itself, the first
// device's MAC address and the primary device's addresses. Slots 4 to 6, after Service.
#pragma once

#include <string>

#include "app/services/Service.h"
#include "net/tMACAddress.h"

namespace nIPStack {

class iIPStack : public rx_fwk::Service {
public:
    // The MAC address of the first device; false when there is no device.
    virtual bool getFirstMACAddress(tMACAddress& mac) = 0;
    // The DHCP flag of the last start; the primary device's address and mask as it has them
    // now (empty texts without a primary device); the stack's gateway and DNS server. Each
    // out-pointer may be null.
    virtual void getIPSettings(bool* dhcp, std::string* address, std::string* mask,
                               std::string* gateway, std::string* dns) = 0;
    // The address text of getIPSettings.
    virtual std::string getIPAddress() = 0;
};

}  // namespace nIPStack
