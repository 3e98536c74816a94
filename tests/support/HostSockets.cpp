#include "tests/support/HostSockets.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace lbtest {
namespace {

sockaddr_in addressOf(const std::string& text, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    ::inet_pton(AF_INET, text.c_str(), &a.sin_addr);
    return a;
}

bool waitFor(int s, short events, int timeoutMs) {
    pollfd p{s, events, 0};
    int r;
    do {
        r = ::poll(&p, 1, timeoutMs);
    } while (r < 0 && errno == EINTR);
    return r > 0;
}

}  // namespace

UdpProbe::UdpProbe(std::uint16_t port) {
    socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int on = 1;
    ::setsockopt(socket_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    ::setsockopt(socket_, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    sockaddr_in any = addressOf("0.0.0.0", port);
    ::bind(socket_, reinterpret_cast<sockaddr*>(&any), sizeof any);
    socklen_t length = sizeof any;
    ::getsockname(socket_, reinterpret_cast<sockaddr*>(&any), &length);
    port_ = ntohs(any.sin_port);
}

UdpProbe::~UdpProbe() { ::close(socket_); }

bool UdpProbe::sendTo(const std::string& address, std::uint16_t port, const Bytes& bytes) {
    sockaddr_in to = addressOf(address, port);
    return ::sendto(socket_, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to),
                    sizeof to) == static_cast<ssize_t>(bytes.size());
}

std::optional<UdpProbe::Datagram> UdpProbe::receive(int timeoutMs) {
    if (!waitFor(socket_, POLLIN, timeoutMs)) {
        return std::nullopt;
    }
    Datagram d;
    d.bytes.resize(65536);
    sockaddr_in from{};
    iovec io{d.bytes.data(), d.bytes.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr msg{};
    msg.msg_name = &from;
    msg.msg_namelen = sizeof from;
    msg.msg_iov = &io;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    ssize_t n = ::recvmsg(socket_, &msg, MSG_DONTWAIT);
    if (n < 0) {
        return std::nullopt;
    }
    d.bytes.resize(static_cast<std::size_t>(n));
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            in_pktinfo info;
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            d.destination = ::inet_ntoa(info.ipi_addr);
        }
    }
    d.source = ::inet_ntoa(from.sin_addr);
    return d;
}

TcpPeer::TcpPeer(const std::string& address, std::uint16_t port) {
    socket_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in to = addressOf(address, port);
    if (::connect(socket_, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
        ::close(socket_);
        socket_ = -1;
    }
}

TcpPeer::~TcpPeer() {
    if (socket_ >= 0) {
        ::close(socket_);
    }
}

bool TcpPeer::send(const Bytes& bytes) {
    return ::send(socket_, bytes.data(), bytes.size(), MSG_NOSIGNAL) ==
           static_cast<ssize_t>(bytes.size());
}

std::optional<Bytes> TcpPeer::receive(std::size_t count, int timeoutMs) {
    Bytes got(count);
    std::size_t have = 0;
    while (have < count) {
        if (!waitFor(socket_, POLLIN, timeoutMs)) {
            return std::nullopt;
        }
        ssize_t n = ::recv(socket_, got.data() + have, count - have, 0);
        if (n <= 0) {
            return std::nullopt;
        }
        have += static_cast<std::size_t>(n);
    }
    return got;
}

bool TcpPeer::closedByPeer(int timeoutMs) {
    if (!waitFor(socket_, POLLIN, timeoutMs)) {
        return false;
    }
    char byte;
    return ::recv(socket_, &byte, 1, MSG_DONTWAIT) <= 0;
}

void TcpPeer::shutdownSending() { ::shutdown(socket_, SHUT_WR); }

}  // namespace lbtest
