#include "net/NetworkInfo.h"

#include <cstring>

#include "config/ConfigManager.h"
#include "kernel/HostInterface.h"
#include "kernel/WinSock.h"

namespace rx_fwk {
namespace {

constexpr std::size_t kHostNameMax = 32;

// The host interface that stands in for the primary Ethernet device.
bool primaryInterface(TovHostInterface& found) {
    for (const TovHostInterface& i : TovListHostInterfaces()) {
        if (i.up && !i.loopback) {
            found = i;
            return true;
        }
    }
    return false;
}

std::string dotted(DWORD addressNetworkOrder) {
    in_addr a{addressNetworkOrder};
    return inet_ntoa(a);
}

class StandInNetwork final : public NetworkInfo {
public:
    bool getFirstMACAddress(std::uint8_t mac[6]) override {
        static const std::uint8_t kNone[6] = {};
        TovHostInterface device;
        if (!primaryInterface(device) || std::memcmp(device.mac, kNone, 6) == 0) {
            return false;
        }
        std::memcpy(mac, device.mac, 6);
        return true;
    }

    bool isIPConfigured() override {
        return ConfigManager::instance().getString("TCP_Stack_Config", "IP_Address",
                                                   "0.0.0.0") != "0.0.0.0";
    }
};

NetworkInfo* gProvider = nullptr;

}  // namespace

void NetworkInfo::getIPSettings(bool* dhcp, std::string* address, std::string* mask,
                                std::string* gateway, std::string* dns) {
    // The stack brings the primary device up by DHCP whatever the stored settings say.
    if (dhcp != nullptr) {
        *dhcp = true;
    }
    TovHostInterface device;
    const bool present = primaryInterface(device) && device.address != 0;
    if (address != nullptr) {
        *address = present ? dotted(device.address) : "";
    }
    if (mask != nullptr) {
        *mask = present ? dotted(device.netmask) : "";
    }
    // No gateway or DNS server has been handed to the stack.
    if (gateway != nullptr) {
        *gateway = "0.0.0.0";
    }
    if (dns != nullptr) {
        *dns = "0.0.0.0";
    }
}

std::string NetworkInfo::getIPAddress() {
    std::string address;
    getIPSettings(nullptr, &address, nullptr, nullptr, nullptr);
    return address;
}

std::string NetworkInfo::getHostName() {
    std::string name = ConfigManager::instance().getString("SystemSettings", "Host_Name", "");
    return name.substr(0, kHostNameMax);
}

NetworkInfo& NetworkInfo::instance() {
    static StandInNetwork standIn;
    return gProvider != nullptr ? *gProvider : standIn;
}

void NetworkInfo::install(NetworkInfo* provider) {
    gProvider = provider;
}

}  // namespace rx_fwk
