// The host's network as the stack asks about it with nearly every packet (links, IPv4
// addresses, default routes), kept until the routing netlink socket tells of a change of
// links, IPv4 addresses or IPv4 routes. An unchanged network costs one receive that finds
// nothing (none for the later questions of a TovHostNetworkScope, nor for the first question
// after a wait that found the routing socket quiet); a change made by anyone is seen by the
// next question after it (the next scope).
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "kernel/base/Win32Types.h"

namespace hostif {

struct LinkInfo {
    int index = 0;
    std::string name;
    unsigned flags = 0;  // IFF_*
    BYTE mac[6] = {};    // zeros when the link has none
};

struct AddressInfo {
    int index = 0;      // of the link
    std::string label;  // the link's name unless the address has a label of its own
    DWORD address = 0;  // network byte order
    int prefixLength = 0;
    DWORD broadcast = 0;  // network byte order; 0 when none
};

struct NetworkView {
    std::vector<LinkInfo> links;         // by index
    std::vector<AddressInfo> addresses;  // IPv4, in the host's order (primary first)
    std::vector<std::pair<int, DWORD>> defaultGateways;  // main table: link index, gateway

    const LinkInfo* link(int index) const;
    const LinkInfo* link(const char* name) const;
    // The first address labelled with the link's own name, as SIOCGIFADDR answers it.
    const AddressInfo* firstAddress(const LinkInfo& link) const;
    // The first address with that label (a link's name or an alias such as "eth0:1").
    const AddressInfo* labelled(const char* label) const;
    // The gateway of the first default route through the link (any link for 0); 0 when none.
    DWORD defaultGateway(int index) const;
};

// Network byte order mask of a prefix length.
DWORD maskOf(int prefixLength);

// Drops the kept view: the stack changed the host's network itself, and the questions that
// follow (also those of the current scope) must see it.
void forgetNetwork();

// The routing socket the cache listens on, for a wait on sockets to watch beside them; -1
// before the first question or when there is none.
int watchSocket();

// What the calling thread's last wait on sockets found of the routing socket as it ended:
// quiet, so the thread's next question (made right after, for what woke it) needs no receive
// of its own; a change then is answered as of the moment the wait ended.
void noteNetworkQuiet(bool quiet);

// Holds the cache's lock while the caller reads the view: brought up to date first.
class CurrentNetwork {
public:
    CurrentNetwork();
    CurrentNetwork(const CurrentNetwork&) = delete;
    CurrentNetwork& operator=(const CurrentNetwork&) = delete;

    const NetworkView& operator*() const { return *view_; }
    const NetworkView* operator->() const { return view_; }

private:
    std::unique_lock<std::mutex> hold_;
    const NetworkView* view_;
};

}  // namespace hostif
