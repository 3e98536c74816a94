// What transports hand received packets to.
#pragma once

#include <cstdint>

namespace rx_fwk {

class PacketConsumer {
public:
    virtual ~PacketConsumer() = default;

    // `buffer` holds `length` received bytes; `sender` is the sender's dotted IPv4 address.
    // True asks the transport to send `length` bytes of the (rewritten) buffer back.
    virtual bool consume(std::uint8_t* buffer, std::uint32_t& length, const char* sender) = 0;
};

}  // namespace rx_fwk
