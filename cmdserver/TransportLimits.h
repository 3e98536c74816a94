// Sizes and waits shared by the packet transports.
#pragma once

namespace rx_fwk {

// Receive buffer of every transport thread; the reply is written into it.
constexpr int kTransportBufferSize = 512;
constexpr unsigned kTransportStackSize = 8192;
// How often a transport thread looks at its stop flag.
constexpr int kTransportPollSeconds = 2;

// Sockets the TCP clients may never take from the stack's limit, so that a crowd of
// connections cannot silence the rest of the controller: the UDP transport, the TCP
// listener, the firmware side connection (its listener and the connection), the host
// notification, an address lookup's temporary socket, and the connection being refused.
constexpr int kTransportSocketReserve = 1 + 1 + 2 + 1 + 1 + 1;
// The fewest clients served however low the limit is set.
constexpr int kMinimumTcpClients = 1;

}  // namespace rx_fwk
