// The primary device's static network settings in [TCP_Stack_Config], as the start-up
// recovery steps query and clear them.
#pragma once

namespace rx_fwk {

class ConfigManager;

// IP_Address (default "0.0.0.0") is anything but "0.0.0.0"; "USE_DHCP" counts.
bool hasStaticIPAddress(ConfigManager& settings);

// Removes IP_Address, Subnet_Mask, Gateway and DNS_Address in that order, stopping at the
// first failure; returns whether all four went.
bool clearStaticNetworkSettings(ConfigManager& settings);

}  // namespace rx_fwk
