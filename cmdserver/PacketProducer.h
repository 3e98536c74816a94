// A source of packets (a transport); it starts delivering once it has a consumer.
#pragma once

namespace rx_fwk {

class PacketConsumer;

class PacketProducer {
public:
    virtual PacketConsumer* consumer() = 0;
    virtual void setConsumer(PacketConsumer* consumer) = 0;
    // Tells the producer's threads to end without waiting for them; destruction joins them.
    // A bundle tells all its members first, so that their waits overlap.
    virtual void requestStop() {}
    virtual ~PacketProducer() = default;
};

}  // namespace rx_fwk
