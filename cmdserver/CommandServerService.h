// The command server's place among the services: after "IP Stack" (start order 2), so that
// the transports find the network up, and stopped with the others before a reboot.
#pragma once

namespace rx_fwk {

constexpr const char* kCommandServerServiceName = "Command Server";
constexpr int kCommandServerStartOrder = 3;

void registerCommandServerService();

}  // namespace rx_fwk
