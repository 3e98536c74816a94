// Changes to and queries of host network interfaces through the host's routing netlink
// (libnl-route). Every change answers a Win32 error code, 0 on success.
#pragma once

#include "kernel/base/Win32Types.h"

namespace hostif {

// Sets the link up (IFF_UP); nothing happens when it is up already.
DWORD bringUp(int ifindex);
// Adds an IPv4 address (network byte order) with its prefix length and broadcast address;
// ERROR_ALREADY_EXISTS when the interface has it already.
DWORD addAddress(int ifindex, DWORD address, int prefixLength);
DWORD removeAddress(int ifindex, DWORD address, int prefixLength);
// The gateway of the main table's default route through the interface (any interface for
// 0), network byte order; 0 when there is none (from the host network cache).
DWORD defaultGateway(int ifindex);

}  // namespace hostif
