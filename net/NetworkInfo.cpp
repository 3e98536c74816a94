#include "net/NetworkInfo.h"

#include <cstring>

#include "kernel/net/HostInterface.h"
#include "kernel/net/WinSock.h"
#include "kernel/threads/Sync.h"
#include "kernel/time/Time.h"

namespace rx_fwk {
namespace {

// The host interface that stands in for the primary Ethernet device. Like the device
// table, it is chosen once: at the first question asked while a non-loopback interface is
// up (until then the interfaces are looked at again at most once a second, since every
// packet asks). Its address is read afresh each time.
class HostDevice {
public:
    static HostDevice& instance() {
        static HostDevice* device = new HostDevice();
        return *device;
    }

    bool find(std::string& name, std::uint8_t mac[6]) {
        EnterCriticalSection(&lock_);
        const DWORD now = GetTickCount();
        if (!found_ && (!looked_ || now - lastLook_ >= kLookAgainMs)) {
            looked_ = true;
            lastLook_ = now;
            for (const TovHostInterface& i : TovListHostInterfaces()) {
                if (i.up && !i.loopback) {
                    name_ = i.name;
                    std::memcpy(mac_, i.mac, sizeof mac_);
                    found_ = true;
                    break;
                }
            }
        }
        const bool found = found_;
        if (found) {
            name = name_;
            std::memcpy(mac, mac_, sizeof mac_);
        }
        LeaveCriticalSection(&lock_);
        return found;
    }

private:
    HostDevice() { InitializeCriticalSection(&lock_); }

    static constexpr DWORD kLookAgainMs = 1000;

    CRITICAL_SECTION lock_;
    bool found_ = false;
    bool looked_ = false;
    DWORD lastLook_ = 0;
    std::string name_;
    std::uint8_t mac_[6] = {};
};

std::string dotted(DWORD addressNetworkOrder) {
    in_addr a{addressNetworkOrder};
    return inet_ntoa(a);
}

class StandInNetwork final : public NetworkInfo {
public:
    bool getFirstMACAddress(std::uint8_t mac[6]) override {
        static const std::uint8_t kNone[6] = {};
        std::string name;
        std::uint8_t found[6];
        if (!HostDevice::instance().find(name, found) || std::memcmp(found, kNone, 6) == 0) {
            return false;
        }
        std::memcpy(mac, found, 6);
        return true;
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
    std::string name;
    std::uint8_t mac[6];
    DWORD own = 0, netmask = 0;
    const bool present = HostDevice::instance().find(name, mac) &&
                         TovHostInterfaceAddress(name.c_str(), &own, &netmask) && own != 0;
    if (address != nullptr) {
        *address = present ? dotted(own) : "";
    }
    if (mask != nullptr) {
        *mask = present ? dotted(netmask) : "";
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

unsigned NetworkInfo::getDeviceCount() {
    std::uint8_t mac[6];
    return getFirstMACAddress(mac) ? 1 : 0;
}

bool NetworkInfo::getDeviceMACAddress(unsigned index, std::uint8_t mac[6]) {
    return index == 0 && getFirstMACAddress(mac);
}

NetworkInfo& NetworkInfo::instance() {
    static StandInNetwork standIn;
    return gProvider != nullptr ? *gProvider : standIn;
}

void NetworkInfo::install(NetworkInfo* provider) {
    gProvider = provider;
}

}  // namespace rx_fwk
