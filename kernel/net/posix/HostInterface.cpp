// Host network interfaces from getifaddrs: links (flags, MAC) joined with IPv4 addresses.
#include "kernel/net/HostInterface.h"

#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>

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

namespace {

// Addresses are asked for with every packet and change seldom: answers are kept until the
// routing socket tells of any change of links or IPv4 addresses, so an unchanged address
// costs one receive that finds nothing.
class AddressMemory {
public:
    static AddressMemory& instance() {
        static AddressMemory* memory = new AddressMemory();
        return *memory;
    }

    bool lookup(const char* name, DWORD* address, DWORD* netmask) {
        std::lock_guard<std::mutex> hold(lock_);
        if (watch_ < 0 || changed()) {
            answers_.clear();
        }
        for (const Answer& a : answers_) {
            if (a.name == name) {
                *address = a.address;
                *netmask = a.netmask;
                return a.present;
            }
        }
        Answer answer{name, 0, 0, false};
        answer.present = read(name, &answer.address, &answer.netmask);
        if (watch_ >= 0) {
            if (answers_.size() >= kMaxAnswers) {
                answers_.clear();
            }
            answers_.push_back(answer);
        }
        *address = answer.address;
        *netmask = answer.netmask;
        return answer.present;
    }

private:
    struct Answer {
        std::string name;
        DWORD address;
        DWORD netmask;
        bool present;
    };
    static constexpr std::size_t kMaxAnswers = 16;

    AddressMemory() {
        // Subscribed before the first read, so that no change after it goes unheard.
        watch_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
        sockaddr_nl groups{};
        groups.nl_family = AF_NETLINK;
        groups.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR;
        if (watch_ >= 0 &&
            ::bind(watch_, reinterpret_cast<sockaddr*>(&groups), sizeof groups) != 0) {
            ::close(watch_);
            watch_ = -1;  // every question is then answered afresh
        }
        probe_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    }

    // Drains the routing socket; true when anything came (or was lost).
    bool changed() {
        bool any = false;
        char message[4096];
        for (;;) {
            ssize_t got = ::recv(watch_, message, sizeof message, MSG_DONTWAIT);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                return any || (errno != EAGAIN && errno != EWOULDBLOCK);  // ENOBUFS: lost
            }
            any = true;
        }
    }

    bool read(const char* name, DWORD* address, DWORD* netmask) {
        if (probe_ < 0) {
            return false;
        }
        ifreq request{};
        std::strncpy(request.ifr_name, name, IFNAMSIZ - 1);
        if (::ioctl(probe_, SIOCGIFADDR, &request) != 0) {
            return false;
        }
        *address = reinterpret_cast<sockaddr_in*>(&request.ifr_addr)->sin_addr.s_addr;
        if (::ioctl(probe_, SIOCGIFNETMASK, &request) != 0) {
            *netmask = 0;
            return false;
        }
        *netmask = reinterpret_cast<sockaddr_in*>(&request.ifr_netmask)->sin_addr.s_addr;
        return true;
    }

    std::mutex lock_;
    int watch_ = -1;
    int probe_ = -1;
    std::vector<Answer> answers_;
};

}  // namespace

bool TovHostInterfaceAddress(const char* name, DWORD* address, DWORD* netmask) {
    return AddressMemory::instance().lookup(name, address, netmask);
}
