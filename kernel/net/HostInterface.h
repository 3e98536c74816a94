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

// One entry per interface, in the host's interface order.
std::vector<TovHostInterface> TovListHostInterfaces();

// The current IPv4 address and mask of one interface (network byte order); false when it
// has none or does not exist. Cheaper than listing every interface.
bool TovHostInterfaceAddress(const char* name, DWORD* address, DWORD* netmask);
