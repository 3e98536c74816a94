// Sizes and waits shared by the packet transports.
#pragma once

namespace rx_fwk {

// Receive buffer of every transport thread; the reply is written into it.
constexpr int kTransportBufferSize = 512;
constexpr unsigned kTransportStackSize = 8192;
// How often a transport thread looks at its stop flag.
constexpr int kTransportPollSeconds = 2;

}  // namespace rx_fwk
