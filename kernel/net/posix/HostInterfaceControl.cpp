// Host interface changes with libnl-route; queries from the host network cache.
#include "kernel/net/posix/HostInterfaceControl.h"

#include <net/if.h>
#include <netinet/in.h>
#include <netlink/addr.h>
#include <netlink/errno.h>
#include <netlink/netlink.h>
#include <netlink/route/addr.h>
#include <netlink/route/link.h>
#include <sys/socket.h>

#include <memory>

#include "kernel/net/posix/HostNetworkCache.h"

namespace hostif {
namespace {

DWORD win32FromNl(int error) {
    switch (error < 0 ? -error : error) {
        case 0:
            return ERROR_SUCCESS;
        case NLE_EXIST:
            return ERROR_ALREADY_EXISTS;
        case NLE_PERM:
        case NLE_NOACCESS:
            return ERROR_ACCESS_DENIED;
        case NLE_NODEV:
            return ERROR_DEV_NOT_EXIST;
        case NLE_OBJ_NOTFOUND:
        case NLE_NOADDR:
            return ERROR_NOT_FOUND;
        case NLE_INVAL:
        case NLE_RANGE:
            return ERROR_INVALID_PARAMETER;
        case NLE_NOMEM:
            return ERROR_NOT_ENOUGH_MEMORY;
        case NLE_OPNOTSUPP:
            return ERROR_NOT_SUPPORTED;
        default:
            return ERROR_INVALID_FUNCTION;
    }
}

// After a change of the stack's own: the kept view goes, so that the change shows at once
// even to a thread inside a TovHostNetworkScope.
DWORD changed(int error) {
    forgetNetwork();
    return win32FromNl(error);
}

struct SocketFree {
    void operator()(nl_sock* s) const { nl_socket_free(s); }
};
struct LinkPut {
    void operator()(rtnl_link* l) const { rtnl_link_put(l); }
};
struct AddrPut {
    void operator()(rtnl_addr* a) const { rtnl_addr_put(a); }
};
struct NlAddrPut {
    void operator()(nl_addr* a) const { nl_addr_put(a); }
};
using Socket = std::unique_ptr<nl_sock, SocketFree>;
using Link = std::unique_ptr<rtnl_link, LinkPut>;
using Addr = std::unique_ptr<rtnl_addr, AddrPut>;
using NlAddr = std::unique_ptr<nl_addr, NlAddrPut>;

// A connected routing socket; null when the host refuses one.
Socket connect(int& error) {
    Socket s(nl_socket_alloc());
    if (!s) {
        error = -NLE_NOMEM;
        return nullptr;
    }
    error = nl_connect(s.get(), NETLINK_ROUTE);
    if (error < 0) {
        return nullptr;
    }
    return s;
}

Link kernelLink(nl_sock* s, int ifindex, int& error) {
    rtnl_link* link = nullptr;
    error = rtnl_link_get_kernel(s, ifindex, nullptr, &link);
    return Link(error < 0 ? nullptr : link);
}

// An IPv4 address object of the interface: address, prefix and broadcast.
Addr addressObject(int ifindex, DWORD address, int prefixLength, int& error) {
    Addr object(rtnl_addr_alloc());
    NlAddr local(nl_addr_build(AF_INET, &address, sizeof address));
    if (!object || !local) {
        error = -NLE_NOMEM;
        return nullptr;
    }
    nl_addr_set_prefixlen(local.get(), prefixLength);
    rtnl_addr_set_ifindex(object.get(), ifindex);
    rtnl_addr_set_family(object.get(), AF_INET);
    error = rtnl_addr_set_local(object.get(), local.get());
    if (error < 0) {
        return nullptr;
    }
    rtnl_addr_set_prefixlen(object.get(), prefixLength);
    if (prefixLength < 31) {
        const DWORD hostBits = prefixLength == 0 ? 0xFFFFFFFFu : (1u << (32 - prefixLength)) - 1;
        const DWORD broadcast = address | htonl(hostBits);
        NlAddr b(nl_addr_build(AF_INET, &broadcast, sizeof broadcast));
        if (b) {
            rtnl_addr_set_broadcast(object.get(), b.get());
        }
    }
    return object;
}

}  // namespace

DWORD bringUp(int ifindex) {
    int error = 0;
    Socket s = connect(error);
    if (!s) {
        return win32FromNl(error);
    }
    Link current = kernelLink(s.get(), ifindex, error);
    if (!current) {
        return win32FromNl(error);
    }
    if ((rtnl_link_get_flags(current.get()) & IFF_UP) != 0) {
        return ERROR_SUCCESS;
    }
    Link change(rtnl_link_alloc());
    if (!change) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    rtnl_link_set_flags(change.get(), IFF_UP);
    return changed(rtnl_link_change(s.get(), current.get(), change.get(), 0));
}

DWORD addAddress(int ifindex, DWORD address, int prefixLength) {
    int error = 0;
    Socket s = connect(error);
    if (!s) {
        return win32FromNl(error);
    }
    Addr object = addressObject(ifindex, address, prefixLength, error);
    if (!object) {
        return win32FromNl(error);
    }
    return changed(rtnl_addr_add(s.get(), object.get(), NLM_F_EXCL));
}

DWORD removeAddress(int ifindex, DWORD address, int prefixLength) {
    int error = 0;
    Socket s = connect(error);
    if (!s) {
        return win32FromNl(error);
    }
    Addr object = addressObject(ifindex, address, prefixLength, error);
    if (!object) {
        return win32FromNl(error);
    }
    return changed(rtnl_addr_delete(s.get(), object.get(), 0));
}

DWORD defaultGateway(int ifindex) {
    return CurrentNetwork()->defaultGateway(ifindex);
}

}  // namespace hostif
