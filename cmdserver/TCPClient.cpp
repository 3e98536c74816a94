#include "cmdserver/TCPClient.h"

#include <cstring>

#include "cmdserver/CommandPacket.h"
#include "cmdserver/PacketConsumer.h"
#include "cmdserver/TextTrace.h"
#include "cmdserver/Trace.h"
#include "cmdserver/TransportLimits.h"
#include "cmdserver/net/socket_error.h"

namespace rx_fwk {

TCPClient::TCPClient(std::unique_ptr<stream_sock<ip_address>> connection)
    : TCPClient(std::move(connection), Timing{}) {}

TCPClient::TCPClient(std::unique_ptr<stream_sock<ip_address>> connection, const Timing& timing)
    : thread_(std::make_unique<mthread::BasicThread>(this, "Command Server TCP Connection Thread")),
      connection_(std::move(connection)),
      socket_(connection_->handle()),
      timing_(timing),
      peer_(connection_->peer().text()) {
    // The waits become the socket's own time-outs, so that a request costs one receive and
    // one send; where they cannot be set, each transfer waits for readiness first.
    const SOCKET s = socket_;
    const DWORD idle = static_cast<DWORD>(timing_.idleWaitMs);
    const DWORD transfer = static_cast<DWORD>(timing_.transferWaitMs);
    timed_ = setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&idle),
                        sizeof idle) == 0 &&
             setsockopt(s, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<const char*>(&transfer),
                        sizeof transfer) == 0;
}

TCPClient::~TCPClient() {
    if (thread_->isRunning()) {
        requestStop();
        thread_->join(0);
    }
    connection_.reset();
    thread_.reset();
}

void TCPClient::requestStop() {
    stop_ = true;
    // Wakes a receive or send in progress; the thread then finds the flag or the closed
    // stream. The receives below never let the socket close behind this call.
    shutdown(socket_, SD_BOTH);
}

void TCPClient::setConsumer(PacketConsumer* consumer) {
    consumer_ = consumer;
    if (!thread_->isRunning() && !done_ && !thread_->start(kTransportStackSize)) {
        done_ = true;  // never ran: the sweep takes it away
    }
}

int TCPClient::run() {
    traceText("Command server TCP connection thread starting up.\n");
    int idle = 0;
    while (!stop_ && serveOne(idle)) {
    }
    idleCount_ = idle;
    traceText("Command server TCP connection thread shutting down gracefully.\n");
    done_ = true;
    return 0;
}

int TCPClient::receiveMore(int minimum, bool request) {
    const int room = static_cast<int>(sizeof inbox_) - inboxLength_;
    const int waitMs = request ? timing_.idleWaitMs : timing_.transferWaitMs;
    if (timed_ && request) {
        // Blocks for the receive time-out at most. The plain receive keeps the socket open
        // when the peer has closed (see requestStop).
        const int got = recv(socket_, reinterpret_cast<char*>(inbox_ + inboxLength_), room, 0);
        if (got < 0 && WSAGetLastError() == WSAETIMEDOUT) {
            setLastSocketError(SockErrTimedOut);
        }
        if (got <= 0) {
            return got;
        }
        inboxLength_ += got;
        if (got >= minimum) {
            return got;
        }
        minimum -= got;  // the rest of a word sent in pieces
    }
    const int got = connection_->receive(inbox_ + inboxLength_, minimum,
                                         static_cast<int>(sizeof inbox_) - inboxLength_,
                                         waitMs / 1000, waitMs % 1000, OnPeerClose::KeepOpen);
    if (got > 0) {
        inboxLength_ += got;
    }
    return got;
}

bool TCPClient::serveOne(int& idle) {
    if (inboxLength_ < kWordSize) {
        const int got = receiveMore(kWordSize - inboxLength_, true);
        if (got < 0) {
            int code = socket_error().code();
            if (code != SockErrTimedOut) {
                trace(1, "Command server TCP connection thread shutting down on error %d\n", code);
                return false;
            }
            if (idle++ > timing_.idleLimit) {
                trace(1, "Timing out idle connection.\n");
                return false;
            }
            return true;
        }
        if (got == 0) {
            trace(1, "Zero-length packet recieved, closing connection...\n");
            return false;
        }
        if (inboxLength_ < kWordSize) {
            trace(1, "Bad length of packet len dword = %d\n", inboxLength_);
            return false;
        }
    }
    std::uint32_t word = 0;
    std::memcpy(&word, inbox_, sizeof word);
    const std::uint32_t length = ntohl(word);
    // A zero length fails too: a request of no bytes is refused.
    if (length == 0 || length > kCommandPacketSize) {
        trace(1, "Error while receiveing packet of length %d\n", static_cast<int>(length));
        return false;
    }
    const int wanted = static_cast<int>(length);
    if (inboxLength_ < kWordSize + wanted &&
        (receiveMore(kWordSize + wanted - inboxLength_, false) <= 0 ||
         inboxLength_ < kWordSize + wanted)) {
        trace(1, "Error while receiveing packet of length %d\n", wanted);
        return false;
    }
    idle = 0;
    // The request moves behind the reply's length word; what follows it stays for the next.
    std::uint8_t* packet = outbox_ + kWordSize;
    std::memcpy(packet, inbox_ + kWordSize, length);
    inboxLength_ -= kWordSize + wanted;
    std::memmove(inbox_, inbox_ + kWordSize + wanted, static_cast<std::size_t>(inboxLength_));
    PacketConsumer* consumer = consumer_;
    std::uint32_t replyLength = length;
    if (consumer == nullptr || !consumer->consume(packet, replyLength, peer_.c_str())) {
        return true;
    }
    if (replyLength > kTransportBufferSize) {
        replyLength = kTransportBufferSize;
    }
    const std::uint32_t header = htonl(replyLength);
    std::memcpy(outbox_, &header, sizeof header);
    const int total = kWordSize + static_cast<int>(replyLength);
    // With the send time-out set, one send queues the reply or gives up after it.
    int sent = timed_ ? connection_->BsdSockBase::send(outbox_, total, 0) : 0;
    if (sent >= 0 && sent < total) {
        const int rest =
            connection_->send(outbox_ + sent, total - sent, timing_.transferWaitMs / 1000,
                              timing_.transferWaitMs % 1000);
        sent = rest > 0 ? sent + rest : rest;
    }
    if (sent != total) {
        trace(1, "Error while sending packet of length %d\n", static_cast<int>(replyLength));
        return false;
    }
    trace(5, "Sent packet length %d\n", static_cast<int>(replyLength));
    return true;
}

}  // namespace rx_fwk
