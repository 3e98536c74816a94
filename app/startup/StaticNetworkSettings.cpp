// Static network settings of the primary device.
#include "app/startup/StaticNetworkSettings.h"

#include "config/ConfigManager.h"

namespace rx_fwk {
namespace {
const char kSection[] = "TCP_Stack_Config";
}

bool hasStaticIPAddress(ConfigManager& settings) {
    return settings.getString(kSection, "IP_Address", "0.0.0.0") != "0.0.0.0";
}

bool clearStaticNetworkSettings(ConfigManager& settings) {
    for (const char* key : {"IP_Address", "Subnet_Mask", "Gateway", "DNS_Address"}) {
        if (!settings.removeKey(kSection, key)) {
            return false;
        }
    }
    return true;
}

}  // namespace rx_fwk
