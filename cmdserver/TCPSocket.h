// The TCP listener on port 44516: accepts connections and gives each its own TCPClient.
#pragma once

#include <atomic>
#include <forward_list>
#include <memory>

#include "cmdserver/PacketProducer.h"
#include "cmdserver/TCPClient.h"
#include "cmdserver/net/BasicThread.h"
#include "cmdserver/net/ip_address.h"
#include "cmdserver/net/stream_server.h"

namespace rx_fwk {

class TCPSocket final : public PacketProducer, public mthread::Runnable {
public:
    // Listens on 0.0.0.0:44516 (backlog 5); the thread starts with the consumer. Throws
    // socket_error.
    TCPSocket();
    // Stops and joins the thread, destroys every client, closes the listener.
    ~TCPSocket() override;

    PacketConsumer* consumer() override { return consumer_; }
    // Stores the consumer and starts the thread if it is not running.
    void setConsumer(PacketConsumer* consumer) override;

    int run() override;

    // Timing handed to each new client (tests shorten it).
    void setClientTiming(const TCPClient::Timing& timing) { clientTiming_ = timing; }

private:
    enum class Sweep { Finished, All };
    // Destroys the clients whose threads have ended, or all of them.
    void sweep(Sweep which);

    stream_server<ip_address> socket_;
    std::unique_ptr<mthread::BasicThread> thread_;
    std::atomic<bool> stop_{false};
    std::atomic<PacketConsumer*> consumer_{nullptr};
    // Newest first; touched only by the listener thread and, after it has been joined, by
    // the destructor.
    std::forward_list<std::unique_ptr<TCPClient>> clients_;
    TCPClient::Timing clientTiming_;
};

}  // namespace rx_fwk
