#include "cmdserver/MasterProducer.h"

#include "cmdserver/CompositeSocket.h"
#include "cmdserver/TCPSocket.h"
#include "cmdserver/UDPSocket.h"
#include "net/ipConfig.h"

namespace rx_fwk {

std::unique_ptr<PacketProducer> makeMasterProducer() {
    auto composite = std::make_unique<CompositeSocket>();
    composite->add(std::make_unique<UDPSocket>());
    if (nIPStack::ipConfig().isIPConfigured()) {
        composite->add(std::make_unique<TCPSocket>());
    }
    return composite;
}
}  // namespace rx_fwk
