#include "tools/tesselcfg/TcpTransport.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tesselcfg {
namespace {

int millisecondsUntil(Clock::time_point deadline) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

}  // namespace

TcpTransport::TcpTransport(const std::string& address) : address_(address) {}

TcpTransport::~TcpTransport() {
    if (socket_ >= 0) {
        ::close(socket_);
    }
}

void TcpTransport::connectBy(Clock::time_point deadline) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(rx_fwk::kCommandTcpPort);
    if (::inet_pton(AF_INET, address_.c_str(), &to.sin_addr) != 1) {
        throw TransportError("not an IPv4 address: " + address_);
    }
    socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (socket_ < 0) {
        throw TransportError(std::string("socket: ") + std::strerror(errno));
    }
    int on = 1;
    ::setsockopt(socket_, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    if (::connect(socket_, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        if (errno != EINPROGRESS) {
            throw TransportError("connecting to " + address_ + ": " + std::strerror(errno));
        }
        pollfd p{socket_, POLLOUT, 0};
        int ready;
        do {
            ready = ::poll(&p, 1, millisecondsUntil(deadline));
        } while (ready < 0 && errno == EINTR);
        int error = 0;
        socklen_t length = sizeof error;
        ::getsockopt(socket_, SOL_SOCKET, SO_ERROR, &error, &length);
        if (ready <= 0) {
            throw TransportError("connecting to " + address_ + ": timed out");
        }
        if (error != 0) {
            throw TransportError("connecting to " + address_ + ": " + std::strerror(error));
        }
    }
}

bool TcpTransport::transfer(bool sending, void* bytes, std::size_t length,
                            Clock::time_point deadline) {
    auto* at = static_cast<char*>(bytes);
    while (length > 0) {
        pollfd p{socket_, static_cast<short>(sending ? POLLOUT : POLLIN), 0};
        int ready = ::poll(&p, 1, millisecondsUntil(deadline));
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return false;
        }
        ssize_t n =
            sending ? ::send(socket_, at, length, MSG_NOSIGNAL) : ::recv(socket_, at, length, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
            continue;
        }
        if (n <= 0) {
            return false;
        }
        at += n;
        length -= static_cast<std::size_t>(n);
    }
    return true;
}

void TcpTransport::send(const CommandPacket& request, Repeat, Clock::time_point deadline) {
    if (socket_ < 0) {
        connectBy(deadline);
        sockaddr_in local{};
        socklen_t length = sizeof local;
        if (::getsockname(socket_, reinterpret_cast<sockaddr*>(&local), &length) == 0) {
            localAddress_ = ntohl(local.sin_addr.s_addr);
        }
    }
    CommandPacket wire = request;
    rx_fwk::convertPacketByteOrder(wire);
    std::uint32_t header = htonl(sizeof wire);
    sent_ = transfer(true, &header, sizeof header, deadline) &&
            transfer(true, &wire, sizeof wire, deadline);
}

std::vector<Reply> TcpTransport::collect(const Match& match, std::size_t,
                                         Clock::time_point deadline) {
    if (!sent_) {
        return {};
    }
    // A controller sends nothing for requests it drops: the deadline ends the wait.
    for (;;) {
        std::uint32_t header = 0;
        if (!transfer(false, &header, sizeof header, deadline) ||
            ntohl(header) != sizeof(CommandPacket)) {
            return {};
        }
        CommandPacket reply;
        if (!transfer(false, &reply, sizeof reply, deadline)) {
            return {};
        }
        rx_fwk::convertPacketByteOrder(reply);
        if (match(reply)) {
            return {Reply{reply, localAddress_, "", std::nullopt}};
        }
    }
}

}  // namespace tesselcfg
