// Host network interfaces from the host network cache: links (flags, MAC) joined with their
// first IPv4 address.
#include "kernel/net/HostInterface.h"

#include <linux/ethtool.h>
#include <linux/sockios.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

#include "kernel/net/posix/HostNetworkCache.h"

std::vector<TovHostInterface> TovListHostInterfaces() {
    std::vector<TovHostInterface> result;
    hostif::CurrentNetwork network;
    result.reserve(network->links.size());
    for (const hostif::LinkInfo& link : network->links) {
        TovHostInterface i;
        i.name = link.name;
        i.index = DWORD(link.index);
        i.up = (link.flags & IFF_UP) != 0;
        i.loopback = (link.flags & IFF_LOOPBACK) != 0;
        i.broadcast = (link.flags & IFF_BROADCAST) != 0;
        if (const hostif::AddressInfo* a = network->firstAddress(link)) {
            i.address = a->address;
            i.netmask = hostif::maskOf(a->prefixLength);
        }
        std::memcpy(i.mac, link.mac, sizeof i.mac);
        result.push_back(std::move(i));
    }
    return result;
}

bool TovHostInterfaceAddress(const char* name, DWORD* address, DWORD* netmask) {
    hostif::CurrentNetwork network;
    const hostif::AddressInfo* a = network->labelled(name);
    *address = a != nullptr ? a->address : 0;
    *netmask = a != nullptr ? hostif::maskOf(a->prefixLength) : 0;
    return a != nullptr;
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
