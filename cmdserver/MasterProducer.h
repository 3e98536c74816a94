// The transports the command server starts: UDP always, the TCP listener only when an IP
// address is configured.
#pragma once

#include <memory>

#include "cmdserver/PacketProducer.h"

namespace rx_fwk {

// Throws socket_error or ip_unable_to_resolve when a transport cannot be made.
std::unique_ptr<PacketProducer> makeMasterProducer();

}  // namespace rx_fwk
