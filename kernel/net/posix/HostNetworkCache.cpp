// The host network cache: a raw routing socket subscribed to the link, IPv4 address and
// IPv4 route groups says whether anything changed; the view is read again with libnl-route
// dumps only then.
#include "kernel/net/posix/HostNetworkCache.h"

#include "kernel/net/HostInterface.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <netlink/addr.h>
#include <netlink/cache.h>
#include <netlink/netlink.h>
#include <netlink/route/addr.h>
#include <netlink/route/link.h>
#include <netlink/route/nexthop.h>
#include <netlink/route/route.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <memory>

namespace hostif {
namespace {

struct SocketFree {
    void operator()(nl_sock* s) const { nl_socket_free(s); }
};
struct CacheFree {
    void operator()(nl_cache* c) const { nl_cache_free(c); }
};
using Socket = std::unique_ptr<nl_sock, SocketFree>;
using Cache = std::unique_ptr<nl_cache, CacheFree>;

bool ipv4(nl_addr* a, DWORD* out) {
    if (a == nullptr || nl_addr_get_family(a) != AF_INET || nl_addr_get_len(a) != sizeof(DWORD)) {
        return false;
    }
    std::memcpy(out, nl_addr_get_binary_addr(a), sizeof(DWORD));
    return true;
}

void readLinks(nl_cache* cache, NetworkView& view) {
    for (nl_object* o = nl_cache_get_first(cache); o != nullptr; o = nl_cache_get_next(o)) {
        auto* l = reinterpret_cast<rtnl_link*>(o);
        LinkInfo info;
        info.index = rtnl_link_get_ifindex(l);
        const char* name = rtnl_link_get_name(l);
        info.name = name != nullptr ? name : "";
        info.flags = rtnl_link_get_flags(l);
        nl_addr* mac = rtnl_link_get_addr(l);
        if (mac != nullptr && nl_addr_get_len(mac) == sizeof info.mac) {
            std::memcpy(info.mac, nl_addr_get_binary_addr(mac), sizeof info.mac);
        }
        view.links.push_back(std::move(info));
    }
    std::stable_sort(view.links.begin(), view.links.end(),
                     [](const LinkInfo& a, const LinkInfo& b) { return a.index < b.index; });
}

void readAddresses(nl_cache* cache, NetworkView& view) {
    for (nl_object* o = nl_cache_get_first(cache); o != nullptr; o = nl_cache_get_next(o)) {
        auto* a = reinterpret_cast<rtnl_addr*>(o);
        AddressInfo info;
        if (rtnl_addr_get_family(a) != AF_INET || !ipv4(rtnl_addr_get_local(a), &info.address)) {
            continue;
        }
        info.index = rtnl_addr_get_ifindex(a);
        const char* label = rtnl_addr_get_label(a);
        const LinkInfo* link = view.link(info.index);
        info.label = label != nullptr && *label != '\0' ? label : link != nullptr ? link->name : "";
        info.prefixLength = rtnl_addr_get_prefixlen(a);
        ipv4(rtnl_addr_get_broadcast(a), &info.broadcast);
        view.addresses.push_back(std::move(info));
    }
}

void readDefaultRoutes(nl_cache* cache, NetworkView& view) {
    for (nl_object* o = nl_cache_get_first(cache); o != nullptr; o = nl_cache_get_next(o)) {
        auto* route = reinterpret_cast<rtnl_route*>(o);
        nl_addr* destination = rtnl_route_get_dst(route);
        if (rtnl_route_get_table(route) != RT_TABLE_MAIN ||
            (destination != nullptr && nl_addr_get_prefixlen(destination) != 0)) {
            continue;
        }
        for (int n = 0; n < rtnl_route_get_nnexthops(route); ++n) {
            rtnl_nexthop* hop = rtnl_route_nexthop_n(route, n);
            DWORD gateway = 0;
            if (ipv4(rtnl_route_nh_get_gateway(hop), &gateway)) {
                view.defaultGateways.emplace_back(rtnl_route_nh_get_ifindex(hop), gateway);
            }
        }
    }
}

// Dumps links, addresses and routes; false (and an empty view) when the host refuses.
bool readView(NetworkView& view) {
    view = NetworkView{};
    Socket s(nl_socket_alloc());
    if (!s || nl_connect(s.get(), NETLINK_ROUTE) < 0) {
        return false;
    }
    nl_cache* links = nullptr;
    nl_cache* addresses = nullptr;
    nl_cache* routes = nullptr;
    const bool ok = rtnl_link_alloc_cache(s.get(), AF_UNSPEC, &links) >= 0 &&
                    rtnl_addr_alloc_cache(s.get(), &addresses) >= 0 &&
                    rtnl_route_alloc_cache(s.get(), AF_INET, 0, &routes) >= 0;
    Cache keepLinks(links), keepAddresses(addresses), keepRoutes(routes);
    if (!ok) {
        return false;
    }
    readLinks(links, view);
    readAddresses(addresses, view);
    readDefaultRoutes(routes, view);
    return true;
}

// The calling thread's TovHostNetworkScope nesting, and whether it asked within it.
thread_local int gScopeDepth = 0;
thread_local bool gScopeAsked = false;

std::atomic<int> gWatch{-1};

// When the thread's last wait found the routing socket quiet (CLOCK_MONOTONIC, ms; -1 when
// it did not). Good for one question, and only right after the wait.
constexpr long long kQuietForMs = 20;
thread_local long long tQuietAt = -1;

long long monotonicMs() {
    timespec now;
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

bool quietSinceLastWait() {
    const long long at = tQuietAt;
    tQuietAt = -1;
    return at >= 0 && monotonicMs() - at <= kQuietForMs;
}

class Memory {
public:
    static Memory& instance() {
        static Memory* memory = new Memory();  // lives as long as the process
        return *memory;
    }

    std::mutex lock;

    // With the lock: the view, read again when the routing socket told of a change. Inside
    // a scope the thread's first question has asked already.
    const NetworkView& current() {
        const bool ask = (gScopeDepth == 0 || !gScopeAsked) && !quietSinceLastWait();
        if (gScopeDepth > 0) {
            gScopeAsked = true;
        }
        if (watch_ < 0 || !valid_ || (ask && changed())) {
            valid_ = readView(view_);
        }
        return view_;
    }

    void forget() {
        std::lock_guard<std::mutex> hold(lock);
        valid_ = false;
    }

private:
    Memory() {
        // Subscribed before the first dump, so that no change after it goes unheard.
        watch_ = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_ROUTE);
        sockaddr_nl groups{};
        groups.nl_family = AF_NETLINK;
        groups.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR | RTMGRP_IPV4_ROUTE;
        if (watch_ >= 0 &&
            ::bind(watch_, reinterpret_cast<sockaddr*>(&groups), sizeof groups) != 0) {
            ::close(watch_);
            watch_ = -1;  // every question is then answered afresh
        }
        gWatch.store(watch_);
    }

    // Drains the routing socket; true when anything came (or was lost).
    bool changed() {
        bool any = false;
        char message[64];  // the content does not matter; the rest of a message is dropped
        for (;;) {
            ssize_t got = ::recv(watch_, message, sizeof message, MSG_DONTWAIT | MSG_TRUNC);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got < 0) {
                return any || (errno != EAGAIN && errno != EWOULDBLOCK);  // ENOBUFS: lost
            }
            any = true;
        }
    }

    int watch_ = -1;
    bool valid_ = false;
    NetworkView view_;
};

}  // namespace

const LinkInfo* NetworkView::link(int index) const {
    for (const LinkInfo& l : links) {
        if (l.index == index) {
            return &l;
        }
    }
    return nullptr;
}

const LinkInfo* NetworkView::link(const char* name) const {
    if (name == nullptr) {
        return nullptr;
    }
    for (const LinkInfo& l : links) {
        if (l.name == name) {
            return &l;
        }
    }
    return nullptr;
}

const AddressInfo* NetworkView::firstAddress(const LinkInfo& link) const {
    for (const AddressInfo& a : addresses) {
        if (a.index == link.index && a.label == link.name) {
            return &a;
        }
    }
    return nullptr;
}

const AddressInfo* NetworkView::labelled(const char* label) const {
    if (label == nullptr) {
        return nullptr;
    }
    for (const AddressInfo& a : addresses) {
        if (a.label == label) {
            return &a;
        }
    }
    return nullptr;
}

DWORD NetworkView::defaultGateway(int index) const {
    for (const auto& route : defaultGateways) {
        if (index == 0 || route.first == index) {
            return route.second;
        }
    }
    return 0;
}

DWORD maskOf(int prefixLength) {
    if (prefixLength <= 0) {
        return 0;
    }
    return htonl(prefixLength >= 32 ? 0xFFFFFFFFu : ~0u << (32 - prefixLength));
}

int watchSocket() {
    return gWatch.load(std::memory_order_relaxed);
}

void noteNetworkQuiet(bool quiet) {
    tQuietAt = quiet ? monotonicMs() : -1;
}

void forgetNetwork() {
    Memory::instance().forget();
}

CurrentNetwork::CurrentNetwork()
    : hold_(Memory::instance().lock), view_(&Memory::instance().current()) {}

}  // namespace hostif

TovHostNetworkScope::TovHostNetworkScope() {
    if (hostif::gScopeDepth++ == 0) {
        hostif::gScopeAsked = false;
    }
}

TovHostNetworkScope::~TovHostNetworkScope() {
    --hostif::gScopeDepth;
}
