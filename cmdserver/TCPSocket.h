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
    // Stops and joins the thread, stops every client (see sweep), closes the listener.
    ~TCPSocket() override;
    TCPSocket(const TCPSocket&) = delete;
    TCPSocket& operator=(const TCPSocket&) = delete;

    PacketConsumer* consumer() override { return consumer_; }
    // Stores the consumer and starts the thread if it is not running.
    void setConsumer(PacketConsumer* consumer) override;
    // Sets the stop flag and shuts the listening socket down, which ends the thread's wait.
    void requestStop() override;

    int run() override;

    // Timing handed to each new client (tests shorten it).
    void setClientTiming(const TCPClient::Timing& timing) { clientTiming_ = timing; }

    // How many clients are served at once: the stack's socket limit less the sockets kept for
    // the rest of the controller (TransportLimits.h). A connection beyond it is accepted and
    // closed at once, so that it neither waits in the backlog nor holds a thread.
    static int clientLimit();

private:
    enum class Sweep { Finished, All };
    // Destroys the clients whose threads have ended, or all of them: every client is told to
    // stop (its connection shut down) before the first is joined, so that a stop takes as long
    // as the slowest client, not the sum of them.
    void sweep(Sweep which);
    // Takes a new connection on as a client, or closes it when the clients are at the limit.
    void admit(std::unique_ptr<stream_sock<ip_address>> connection);

    stream_server<ip_address> socket_;
    std::unique_ptr<mthread::BasicThread> thread_;
    std::atomic<bool> stop_{false};
    std::atomic<PacketConsumer*> consumer_{nullptr};
    // Newest first; touched only by the listener thread and, after it has been joined, by
    // the destructor.
    std::forward_list<std::unique_ptr<TCPClient>> clients_;
    int clientCount_ = 0;  // the length of clients_; each holds its socket until destroyed
    TCPClient::Timing clientTiming_;
};

}  // namespace rx_fwk
