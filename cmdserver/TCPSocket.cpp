#include "cmdserver/TCPSocket.h"

#include <algorithm>
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
        requestStop();
        thread_->join(0);
    }
    sweep(Sweep::All);
    thread_.reset();
}

int TCPSocket::clientLimit() {
    return std::max(kMinimumTcpClients, TovGetMaxSockets() - kTransportSocketReserve);
}

void TCPSocket::requestStop() {
    stop_ = true;
    // The listening socket stays open until the destructor; shut down, it reports itself
    // readable and refuses the accept, and the thread finds the flag.
    shutdown(socket_.handle(), SD_BOTH);
}

void TCPSocket::setConsumer(PacketConsumer* consumer) {
    consumer_ = consumer;
    if (!thread_->isRunning()) {
        thread_->start(kTransportStackSize);
    }
}

void TCPSocket::sweep(Sweep which) {
    if (which == Sweep::All) {
        for (const std::unique_ptr<TCPClient>& client : clients_) {
            client->requestStop();
        }
    }
    clients_.remove_if([this, which](const std::unique_ptr<TCPClient>& client) {
        if (which == Sweep::All || client->done()) {
            trace(3, "Cleaning up a TCP client connection.\n");
            --clientCount_;
            return true;
        }
        return false;
    });
}

void TCPSocket::admit(std::unique_ptr<stream_sock<ip_address>> connection) {
    sweep(Sweep::Finished);  // a client that has ended still holds its socket
    if (clientCount_ >= clientLimit()) {
        trace(3, "Refusing a TCP connection: %d clients.\n", clientCount_);
        return;  // the connection closes here
    }
    std::unique_ptr<TCPClient> client;
    try {
        client = std::make_unique<TCPClient>(std::move(connection), clientTiming_);
    } catch (const std::bad_alloc&) {
        trace(3, "Failed to allocate a TCP client.\n");
        return;
    }
    clients_.push_front(std::move(client));
    ++clientCount_;
    clients_.front()->setConsumer(consumer_);
    trace(3, "Accepted a TCP connection.\n");
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
            if (stop_ || code == SockErrTimedOut || passingAcceptFailure(raw)) {
                sweep(Sweep::Finished);
                continue;
            }
            trace(1, "Command server TCP socket thread shutting down on error %d.\n", code);
            sweep(Sweep::All);
            return 1;
        }
        admit(std::move(connection));
    }
    trace(2, "Command server TCP socket thread shutting down gracefully.\n");
    return 0;
}

}  // namespace rx_fwk
