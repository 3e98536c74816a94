// The IP configuration as a single-device stack sees it: the primary device's TCP settings,
// halt-on-error and the host name. Slot order 0 to 7.
#pragma once

#include <string>

namespace nIPStack {

class iIPConfig {
public:
    // IP_Address of [TCP_Stack_Config] is set to anything but "0.0.0.0" ("USE_DHCP" counts).
    virtual bool isIPConfigured() = 0;
    // Each out-pointer may be null. Asked for both the flag and the address, it reports DHCP
    // with empty texts: this image always brings the primary device up by DHCP.
    virtual void getTCPStackConfig(bool* dhcp, std::string* address, std::string* mask,
                                   std::string* gateway, std::string* dns) = 0;
    // Writes IP_Address, Subnet_Mask, Gateway and DNS_Address ("USE_DHCP" each with the flag),
    // stopping at the first failed write.
    virtual bool setTCPStackConfig(bool dhcp, const std::string& address, const std::string& mask,
                                   const std::string& gateway, const std::string& dns) = 0;
    // Removes the four keys; every key is tried, and one already absent is no failure.
    virtual bool clearTCPStackConfig() = 0;
    // Always false on this image; the setter only records the wish.
    virtual bool getHaltOnError() = 0;
    virtual bool setHaltOnError(bool halt) = 0;
    // Host_Name of [SystemSettings], at most 32 characters; also stored into `name`.
    virtual std::string getHostName(std::string& name) = 0;
    // An empty name removes the key.
    virtual bool setHostName(const std::string& name) = 0;

protected:
    // Owned through the concrete class, never deleted through the interface.
    ~iIPConfig() = default;
};

}  // namespace nIPStack
