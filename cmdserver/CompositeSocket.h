// Bundles the transports so that the server starts and stops them as one producer.
#pragma once

#include <memory>
#include <vector>

#include "cmdserver/PacketProducer.h"

namespace rx_fwk {

class CompositeSocket final : public PacketProducer {
public:
    CompositeSocket() = default;
    // Tells every child to stop, then destroys them in the order they were added.
    ~CompositeSocket() override;

    // Appends the child and hands it the consumer if one is set already.
    void add(std::unique_ptr<PacketProducer> child);

    PacketConsumer* consumer() override { return consumer_; }
    // Stores the consumer, then gives it to every child in order.
    void setConsumer(PacketConsumer* consumer) override;
    void requestStop() override;

    std::size_t size() const { return children_.size(); }

private:
    std::vector<std::unique_ptr<PacketProducer>> children_;
    PacketConsumer* consumer_ = nullptr;
};

}  // namespace rx_fwk
