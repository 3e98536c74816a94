#include "cmdserver/MasterProducer.h"

#include "cmdserver/CompositeSocket.h"
#include "cmdserver/TCPSocket.h"
#include "cmdserver/UDPSocket.h"
#include "net/NetworkInfo.h"

namespace rx_fwk {

std::unique_ptr<PacketProducer> makeMasterProducer() {
    auto composite = std::make_unique<CompositeSocket>();
    composite->add(std::make_unique<UDPSocket>());
    if (NetworkInfo::instance().isIPConfigured()) {
        composite->add(std::make_unique<TCPSocket>());
    }
    return composite;
}
}  // namespace rx_fwk
