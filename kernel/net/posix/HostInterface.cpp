// Host network interfaces from getifaddrs: links (flags, MAC) joined with IPv4 addresses.
#include "kernel/net/HostInterface.h"

#include <ifaddrs.h>
#include <linux/ethtool.h>
#include <linux/if_packet.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

std::vector<TovHostInterface> TovListHostInterfaces() {
    std::vector<TovHostInterface> result;
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        return result;
    }
    auto entryFor = [&result](const ifaddrs* a) -> TovHostInterface& {
        for (TovHostInterface& i : result) {
            if (i.name == a->ifa_name) {
                return i;
            }
        }
        TovHostInterface i;
        i.name = a->ifa_name;
        i.index = ::if_nametoindex(a->ifa_name);
        i.up = (a->ifa_flags & IFF_UP) != 0;
        i.loopback = (a->ifa_flags & IFF_LOOPBACK) != 0;
        i.broadcast = (a->ifa_flags & IFF_BROADCAST) != 0;
        result.push_back(i);
        return result.back();
    };
    for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
        TovHostInterface& entry = entryFor(a);
        if (a->ifa_addr == nullptr) {
            continue;
        }
        if (a->ifa_addr->sa_family == AF_INET && entry.address == 0) {
            entry.address = reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr;
            if (a->ifa_netmask != nullptr) {
                entry.netmask = reinterpret_cast<sockaddr_in*>(a->ifa_netmask)->sin_addr.s_addr;
            }
        } else if (a->ifa_addr->sa_family == AF_PACKET) {
            const auto* link = reinterpret_cast<const sockaddr_ll*>(a->ifa_addr);
            if (link->sll_halen == 6) {
                std::memcpy(entry.mac, link->sll_addr, 6);
            }
        }
    }
    ::freeifaddrs(list);
    std::stable_sort(
        result.begin(), result.end(),
        [](const TovHostInterface& a, const TovHostInterface& b) { return a.index < b.index; });
    return result;
}

bool TovHostInterfaceAddress(const char* name, DWORD* address, DWORD* netmask) {
    int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        return false;
    }
    ifreq request{};
    std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
    bool ok = ::ioctl(s, SIOCGIFADDR, &request) == 0;
    if (ok) {
        *address = reinterpret_cast<sockaddr_in*>(&request.ifr_addr)->sin_addr.s_addr;
        ok = ::ioctl(s, SIOCGIFNETMASK, &request) == 0;
        *netmask = ok ? reinterpret_cast<sockaddr_in*>(&request.ifr_netmask)->sin_addr.s_addr : 0;
    }
    ::close(s);
    return ok;
}

bool TovHostInterfaceLinkModes(const char* name, TovHostLinkModes* modes) {
    if (name == nullptr || modes == nullptr || ::if_nametoindex(name) == 0) {
        return false;
    }
    *modes = TovHostLinkModes{};
    int s = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (s < 0) {
        return true;
    }
    // The legacy query: it needs no privilege and covers every mode of interest here.
    ethtool_cmd command{};
    command.cmd = ETHTOOL_GSET;
    ifreq request{};
    std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
    request.ifr_data = reinterpret_cast<char*>(&command);
    if (::ioctl(s, SIOCETHTOOL, &request) == 0) {
        const struct {
            __u32 ethtool;
            DWORD ours;
        } kModes[] = {
            {SUPPORTED_10baseT_Half, TOV_LINK_10_HALF},
            {SUPPORTED_10baseT_Full, TOV_LINK_10_FULL},
            {SUPPORTED_100baseT_Half, TOV_LINK_100_HALF},
            {SUPPORTED_100baseT_Full, TOV_LINK_100_FULL},
            {SUPPORTED_1000baseT_Half, TOV_LINK_1000_HALF},
            {SUPPORTED_1000baseT_Full, TOV_LINK_1000_FULL},
        };
        for (const auto& mode : kModes) {
            if (command.supported & mode.ethtool) {
                modes->supported |= mode.ours;
            }
        }
        modes->autoNegotiation = (command.supported & SUPPORTED_Autoneg) != 0;
        modes->negotiating = command.autoneg == AUTONEG_ENABLE;
        const __u32 speed = ethtool_cmd_speed(&command);
        modes->speed = speed == static_cast<__u32>(SPEED_UNKNOWN) ? 0 : speed;
        modes->fullDuplex = command.duplex == DUPLEX_FULL;
    }
    ::close(s);
    return true;
}
