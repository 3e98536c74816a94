#include "cmdserver/CompositeSocket.h"

namespace rx_fwk {

CompositeSocket::~CompositeSocket() {
    requestStop();
    for (std::unique_ptr<PacketProducer>& child : children_) {
        child.reset();
    }
}

void CompositeSocket::add(std::unique_ptr<PacketProducer> child) {
    children_.push_back(std::move(child));
    if (consumer_ != nullptr) {
        children_.back()->setConsumer(consumer_);
    }
}

void CompositeSocket::setConsumer(PacketConsumer* consumer) {
    consumer_ = consumer;
    for (std::unique_ptr<PacketProducer>& child : children_) {
        child->setConsumer(consumer);
    }
}

void CompositeSocket::requestStop() {
    for (std::unique_ptr<PacketProducer>& child : children_) {
        if (child) {
            child->requestStop();
        }
    }
}

}  // namespace rx_fwk
