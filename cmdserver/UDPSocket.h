// The UDP transport on port 44515: requests from anywhere, replies by limited broadcast to
// the requester's port, so that a host hears every controller also when their addresses do
// not fit its subnet.
#pragma once

#include <atomic>
#include <memory>

#include "cmdserver/PacketProducer.h"
#include "cmdserver/net/BasicThread.h"
#include "cmdserver/net/dgram_sock.h"
#include "cmdserver/net/ip_address.h"

namespace rx_fwk {

class UDPSocket final : public PacketProducer, public mthread::Runnable {
public:
    // Listens on the primary device's interface (without a primary device, on the IP stack's
    // address) and starts the thread; packets that arrive before a consumer is set are
    // dropped. Throws socket_error or ip_unable_to_resolve.
    UDPSocket();
    // Stops and joins the thread (at most about two seconds), then closes the socket.
    ~UDPSocket() override;

    PacketConsumer* consumer() override { return consumer_; }
    void setConsumer(PacketConsumer* consumer) override { consumer_ = consumer; }
    // Sets the stop flag; the thread sees it after its current wait (two seconds at most).
    void requestStop() override { stop_ = true; }

    int run() override;

    // The thread's exit code once it has ended (-1 while it runs).
    int exitCode() const { return thread_->exitCode(); }

private:
    std::atomic<PacketConsumer*> consumer_{nullptr};
    dgram_sock<ip_address> socket_;
    std::unique_ptr<mthread::BasicThread> thread_;
    std::atomic<bool> stop_{false};
};

}  // namespace rx_fwk
