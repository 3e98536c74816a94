// A source of packets (a transport); it starts delivering once it has a consumer.
#pragma once

namespace rx_fwk {

class PacketConsumer;

class PacketProducer {
public:
    virtual PacketConsumer* consumer() = 0;
    virtual void setConsumer(PacketConsumer* consumer) = 0;
    virtual ~PacketProducer() = default;
};

}  // namespace rx_fwk
