// The host's network interfaces as the stack sees them (name, state, IPv4 address, MAC).
#pragma once

#include <string>
#include <vector>

#include "kernel/base/Win32Types.h"

struct TovHostInterface {
    std::string name;
    DWORD index = 0;
    bool up = false;
    bool loopback = false;
    bool broadcast = false;  // the link can carry broadcasts
    DWORD address = 0;       // first IPv4 address, network byte order; 0 when none
    DWORD netmask = 0;       // network byte order
    BYTE mac[6] = {};        // zeros when the link has none
};

// Answers about host interfaces, addresses and default routes are kept until the routing
// socket tells of a change, which costs one receive per question. While a scope lives on a
// thread, the thread asks the routing socket at its first question only, so that one request
// sees one state of the host's network and pays one receive. Changes show in the next scope.
class TovHostNetworkScope {
public:
    TovHostNetworkScope();
    ~TovHostNetworkScope();
    TovHostNetworkScope(const TovHostNetworkScope&) = delete;
    TovHostNetworkScope& operator=(const TovHostNetworkScope&) = delete;
};

// One entry per interface, in the host's interface order.
std::vector<TovHostInterface> TovListHostInterfaces();

// The current IPv4 address and mask of one interface (network byte order); false when it
// has none or does not exist. Cheaper than listing every interface.
bool TovHostInterfaceAddress(const char* name, DWORD* address, DWORD* netmask);

// Link modes a host interface can run (bits of TovHostLinkModes::supported).
constexpr DWORD TOV_LINK_10_HALF = 0x01;
constexpr DWORD TOV_LINK_10_FULL = 0x02;
constexpr DWORD TOV_LINK_100_HALF = 0x04;
constexpr DWORD TOV_LINK_100_FULL = 0x08;
constexpr DWORD TOV_LINK_1000_HALF = 0x10;
constexpr DWORD TOV_LINK_1000_FULL = 0x20;

// What the link of a host interface reports about its media.
struct TovHostLinkModes {
    DWORD supported = 0;           // TOV_LINK_* the link can run; 0 when it reports none
    bool autoNegotiation = false;  // the link can negotiate its mode
    bool negotiating = false;      // and does so now
    DWORD speed = 0;               // Mbit/s now; 0 when unknown
    bool fullDuplex = false;       // now
};

// The link's modes as its host driver reports them; false when the interface does not exist.
// A link that reports nothing (veth, tun, most virtual links) answers true with all zeros.
bool TovHostInterfaceLinkModes(const char* name, TovHostLinkModes* modes);
