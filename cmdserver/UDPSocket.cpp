#include "cmdserver/UDPSocket.h"

#include <algorithm>
#include <string>

#include "cmdserver/CommandPacket.h"
#include "cmdserver/PacketConsumer.h"
#include "cmdserver/TextTrace.h"
#include "cmdserver/Trace.h"
#include "cmdserver/TransportLimits.h"
#include "cmdserver/net/socket_error.h"
#include "net/ipStack.h"

namespace rx_fwk {

UDPSocket::UDPSocket() {
    nIPStack::iMultiDeviceIPStack& stack = nIPStack::ipStack();
    std::string primary;
    if (stack.getPrimaryInterface(primary)) {
        // The primary device's interface, whatever address it has now or gets later (an
        // address that DHCP or the host hands out after start-up).
        if (!socket_.setOption(SOL_SOCKET, TOV_SO_INTERFACE, primary.c_str(),
                               static_cast<int>(primary.size() + 1)) ||
            !socket_.bind(ip_address(kCommandUdpPort, ip_address::NotBroadcast))) {
            throw socket_error();
        }
    } else {
        ip_address own(stack.getIPAddress(), kCommandUdpPort);
        if (!socket_.bind(own)) {
            throw socket_error();
        }
    }
    int on = 1;
    if (!socket_.setOption(SOL_SOCKET, SO_BROADCAST, &on, sizeof on)) {
        throw socket_error();
    }
    trace(9, "Starting thread for command server UDP socket.\n");
    thread_ = std::make_unique<mthread::BasicThread>(this, "Command Server UDP Socket Thread");
    if (!thread_->start(kTransportStackSize)) {
        throw socket_error(SockErrOther, false);
    }
}

UDPSocket::~UDPSocket() {
    if (thread_->isRunning()) {
        requestStop();
        thread_->join(0);
    }
    thread_.reset();
}

int UDPSocket::run() {
    traceText("Command server UDP socket thread starting up.\n");
    std::uint8_t buffer[kTransportBufferSize];
    while (!stop_) {
        if (!socket_.waitReadable(kTransportPollSeconds, 0)) {
            continue;  // the time-out code: look at the stop flag again
        }
        ip_address from;
        int got = socket_.receiveFrom(buffer, sizeof buffer, from);
        if (got < 0) {
            int code = socket_error().code();
            if (code == SockErrTimedOut || code == SockErrMessageTooLarge) {
                continue;
            }
            trace(1, "Command server UDP socket thread shutting down on error %d\n", code);
            return 1;
        }
        PacketConsumer* consumer = consumer_;
        if (consumer == nullptr) {
            continue;
        }
        trace(2, "Got a UDP packet, len = %d\n", got);
        std::uint32_t length = static_cast<std::uint32_t>(got);
        if (!consumer->consume(buffer, length, from.text().c_str())) {
            continue;
        }
        ip_address to(from.port(), ip_address::IsBroadcast);
        int reply = static_cast<int>(std::min<std::uint32_t>(length, sizeof buffer));
        int sent = socket_.sendTo(buffer, reply, to);
        if (sent < 0) {
            trace(1, "UDP send failed!!!\n");
        } else {
            trace(3, "Sent packet length %d to port %d\n", sent, to.port());
        }
    }
    traceText("Command server UDP socket thread shutting down gracefully.\n");
    return 0;
}

}  // namespace rx_fwk
