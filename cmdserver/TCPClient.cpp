#include "cmdserver/TCPClient.h"

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
      timing_(timing) {}

TCPClient::~TCPClient() {
    if (thread_->isRunning()) {
        stop_ = true;
        thread_->join(0);
    }
    connection_.reset();
    thread_.reset();
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

bool TCPClient::serveOne(int& idle) {
    std::uint32_t word = 0;
    const int waitSeconds = timing_.idleWaitMs / 1000;
    const int waitMs = timing_.idleWaitMs % 1000;
    int got = connection_->receive(&word, sizeof word, sizeof word, waitSeconds, waitMs);
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
    if (got != sizeof word) {
        trace(1, "Bad length of packet len dword = %d\n", got);
        return false;
    }
    const std::uint32_t length = ntohl(word);
    std::uint8_t buffer[kTransportBufferSize];
    if (length > kCommandPacketSize) {
        trace(1, "Error while receiveing packet of length %d\n", static_cast<int>(length));
        return false;
    }
    const int wanted = static_cast<int>(length);
    const int transferSeconds = timing_.transferWaitMs / 1000;
    const int transferMs = timing_.transferWaitMs % 1000;
    // A zero length fails here: a receive of no bytes is refused.
    if (connection_->receive(buffer, wanted, wanted, transferSeconds, transferMs) != wanted) {
        trace(1, "Error while receiveing packet of length %d\n", wanted);
        return false;
    }
    idle = 0;
    PacketConsumer* consumer = consumer_;
    std::uint32_t replyLength = length;
    if (consumer == nullptr ||
        !consumer->consume(buffer, replyLength, connection_->peer().text().c_str())) {
        return true;
    }
    if (replyLength > sizeof buffer) {
        replyLength = sizeof buffer;
    }
    const std::uint32_t header = htonl(replyLength);
    if (connection_->send(&header, sizeof header, transferSeconds, transferMs) !=
        static_cast<int>(sizeof header)) {
        trace(1, "Error while sending packet length %d\n", static_cast<int>(replyLength));
        return false;
    }
    trace(5, "Sent packet hdr length %d\n", static_cast<int>(replyLength));
    if (connection_->send(buffer, static_cast<int>(replyLength), transferSeconds, transferMs) !=
        static_cast<int>(replyLength)) {
        trace(1, "Error while sending packet of length %d\n", static_cast<int>(replyLength));
        return false;
    }
    trace(5, "Sent packet length %d\n", static_cast<int>(replyLength));
    return true;
}

}  // namespace rx_fwk
