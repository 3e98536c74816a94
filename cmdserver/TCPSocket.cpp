#include "cmdserver/TCPSocket.h"

#include <new>

#include "cmdserver/CommandPacket.h"
#include "cmdserver/Trace.h"
#include "cmdserver/TransportLimits.h"
#include "cmdserver/net/socket_error.h"

namespace rx_fwk {
namespace {

constexpr int kBacklog = 5;

// Accept failures that concern one connection or a passing shortage, not the listener: a
// peer that resets before we accept, or the stack's socket limit (the connection is
// refused then). The listener goes on, so that such a peer cannot end TCP service.
bool passingAcceptFailure(int winsockCode) {
    return winsockCode == WSAEMFILE || winsockCode == WSAENOBUFS ||
           winsockCode == WSAECONNABORTED || winsockCode == WSAECONNRESET ||
           winsockCode == WSAEINTR || winsockCode == WSAEWOULDBLOCK;
}

}  // namespace

TCPSocket::TCPSocket() {
    ip_address any(kCommandTcpPort, ip_address::NotBroadcast);
    if (!socket_.bind(any)) {
        throw socket_error();
    }
    if (!socket_.listen(kBacklog)) {
        throw socket_error();
    }
    thread_ = std::make_unique<mthread::BasicThread>(this, "Command Server TCP Socket Thread");
}

TCPSocket::~TCPSocket() {
    if (thread_->isRunning()) {
        stop_ = true;
        thread_->join(0);
    }
    sweep(Sweep::All);
    thread_.reset();
}

void TCPSocket::setConsumer(PacketConsumer* consumer) {
    consumer_ = consumer;
    if (!thread_->isRunning()) {
        thread_->start(kTransportStackSize);
    }
}

void TCPSocket::sweep(Sweep which) {
    clients_.remove_if([which](const std::unique_ptr<TCPClient>& client) {
        if (which == Sweep::All || client->done()) {
            trace(3, "Cleaning up a TCP client connection.\n");
            return true;
        }
        return false;
    });
}

int TCPSocket::run() {
    trace(2, "Command server TCP socket thread starting up.\n");
    while (!stop_) {
        if (!socket_.waitReadable(kTransportPollSeconds, 0)) {
            sweep(Sweep::Finished);
            continue;
        }
        std::unique_ptr<stream_sock<ip_address>> connection = socket_.accept();
        if (!connection) {
            const int raw = WSAGetLastError();
            const int code = socket_error::toPortable(raw);
            if (code == SockErrTimedOut || passingAcceptFailure(raw)) {
                sweep(Sweep::Finished);
                continue;
            }
            trace(1, "Command server TCP socket thread shutting down on error %d.\n", code);
            sweep(Sweep::All);
            return 1;
        }
        std::unique_ptr<TCPClient> client;
        try {
            client = std::make_unique<TCPClient>(std::move(connection), clientTiming_);
        } catch (const std::bad_alloc&) {
            trace(3, "Failed to allocate a TCP client.\n");
            connection.reset();  // closes it
            sweep(Sweep::Finished);
            continue;
        }
        clients_.push_front(std::move(client));
        clients_.front()->setConsumer(consumer_);
        trace(3, "Accepted a TCP connection.\n");
        sweep(Sweep::Finished);
    }
    trace(2, "Command server TCP socket thread shutting down gracefully.\n");
    return 0;
}

}  // namespace rx_fwk
