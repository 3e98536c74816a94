// One accepted TCP connection of the command server with its own thread. Each packet, in
// either direction, is preceded by its length as a 4-byte network-order word.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "cmdserver/PacketProducer.h"
#include "cmdserver/TransportLimits.h"
#include "cmdserver/net/BasicThread.h"
#include "cmdserver/net/ip_address.h"
#include "cmdserver/net/stream_sock.h"

namespace rx_fwk {

class TCPClient final : public PacketProducer, public mthread::Runnable {
public:
    // How long a connection may stay silent: `idleLimit` + 2 consecutive waits of
    // `idleWaitMs` without a length word end it (about an hour by default).
    struct Timing {
        int idleWaitMs = 2000;
        int idleLimit = 1800;
        int transferWaitMs = 10000;
    };

    // Takes over the accepted connection.
    explicit TCPClient(std::unique_ptr<stream_sock<ip_address>> connection);
    TCPClient(std::unique_ptr<stream_sock<ip_address>> connection, const Timing& timing);
    // Stops and joins the thread if it still runs, then closes the connection.
    ~TCPClient() override;
    TCPClient(const TCPClient&) = delete;
    TCPClient& operator=(const TCPClient&) = delete;

    PacketConsumer* consumer() override { return consumer_; }
    // Stores the consumer and starts the thread if it is not running.
    void setConsumer(PacketConsumer* consumer) override;
    // Sets the stop flag and shuts the connection down, which ends a wait of the thread at
    // once. Called by the owner (the listener's thread or the listener's destructor); the
    // connection stays open, and its handle ours, until the client is destroyed.
    void requestStop() override;

    int run() override;

    // Set by the thread when it has ended; the listener's sweep then destroys the client.
    bool done() const { return done_; }
    // Consecutive idle waits counted when the thread ended (for checks).
    int idleCount() const { return idleCount_; }

private:
    static constexpr int kWordSize = 4;

    // One request and its reply; false ends the connection.
    bool serveOne(int& idle);
    // Receives at least `minimum` more bytes into the inbox (as many as fit), waiting up to
    // the idle wait for a `request`, else the transfer wait; answers as the stream's
    // receive does.
    int receiveMore(int minimum, bool request);

    std::atomic<PacketConsumer*> consumer_{nullptr};
    std::unique_ptr<mthread::BasicThread> thread_;
    std::unique_ptr<stream_sock<ip_address>> connection_;
    SOCKET socket_;  // the connection's handle, open for the client's whole life
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::atomic<int> idleCount_{0};
    Timing timing_;
    std::string peer_;    // the peer's address text, from the accept
    bool timed_ = false;  // the socket's receive and send time-outs are the waits
    // What arrived and is not yet served (a peer may send requests back to back), and the
    // reply behind its length word, sent in one piece.
    std::uint8_t inbox_[kWordSize + kTransportBufferSize] = {};
    int inboxLength_ = 0;
    std::uint8_t outbox_[kWordSize + kTransportBufferSize] = {};
};

}  // namespace rx_fwk
