#include "tools/tesselcfg/UdpBroadcastTransport.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tesselcfg {
namespace {

// Lost datagrams are rare on a segment, but a query that is answered once is cheap to ask
// again.
constexpr auto kResendInterval = std::chrono::milliseconds(500);

std::string lastError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

}  // namespace

UdpBroadcastTransport::UdpBroadcastTransport(const std::string& interfaceName) {
    ifaddrs* list = nullptr;
    if (::getifaddrs(&list) != 0) {
        throw TransportError(lastError("listing interfaces"));
    }
    std::vector<Interface> loopback;
    for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
        const bool named = !interfaceName.empty();
        if (named && interfaceName != a->ifa_name) {
            continue;
        }
        if (!named && (!(a->ifa_flags & IFF_UP) || !(a->ifa_flags & IFF_BROADCAST)) &&
            !(a->ifa_flags & IFF_LOOPBACK)) {
            continue;
        }
        auto& into = (a->ifa_flags & IFF_LOOPBACK) && !named ? loopback : interfaces_;
        Interface* entry = nullptr;
        for (Interface& i : into) {
            if (i.name == a->ifa_name) {
                entry = &i;
            }
        }
        if (entry == nullptr) {
            into.push_back(
                Interface{a->ifa_name, static_cast<int>(::if_nametoindex(a->ifa_name)), 0, {}});
            entry = &into.back();
        }
        if (a->ifa_addr != nullptr && a->ifa_addr->sa_family == AF_INET) {
            const auto address = reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr;
            const auto mask = a->ifa_netmask != nullptr
                                  ? reinterpret_cast<sockaddr_in*>(a->ifa_netmask)->sin_addr.s_addr
                                  : 0xFFFFFFFFu;
            if (entry->address == 0) {
                entry->address = address;
            }
            entry->subnets.push_back(Ipv4Subnet{ntohl(address), ntohl(mask)});
        }
    }
    ::freeifaddrs(list);
    if (interfaces_.empty()) {
        if (!interfaceName.empty()) {
            throw TransportError("no network interface named " + interfaceName);
        }
        interfaces_ = loopback;
    }
    if (interfaces_.empty()) {
        throw TransportError("no network interface to broadcast on");
    }

    socket_ = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (socket_ < 0) {
        throw TransportError(lastError("socket"));
    }
    int on = 1;
    ::setsockopt(socket_, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    ::setsockopt(socket_, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
        ::close(socket_);
        throw TransportError(lastError("bind"));
    }
}

UdpBroadcastTransport::~UdpBroadcastTransport() {
    if (socket_ >= 0) {
        ::close(socket_);
    }
}

void UdpBroadcastTransport::sendWire() {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(rx_fwk::kCommandUdpPort);
    to.sin_addr.s_addr = htonl(INADDR_BROADCAST);
    int sentSomewhere = 0;
    int lastErrno = 0;
    for (const Interface& i : interfaces_) {
        // The interface chosen per datagram lets the broadcast out without a route.
        in_pktinfo info{};
        info.ipi_ifindex = i.index;
        info.ipi_spec_dst.s_addr = i.address;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof info)] = {};
        iovec io{&wire_, sizeof wire_};
        msghdr msg{};
        msg.msg_name = &to;
        msg.msg_namelen = sizeof to;
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&msg);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof info);
        std::memcpy(CMSG_DATA(c), &info, sizeof info);
        if (::sendmsg(socket_, &msg, 0) == static_cast<ssize_t>(sizeof wire_)) {
            ++sentSomewhere;
        } else {
            lastErrno = errno;
        }
    }
    if (sentSomewhere == 0) {
        errno = lastErrno;
        throw TransportError(lastError("sending the broadcast"));
    }
}

void UdpBroadcastTransport::send(const CommandPacket& request, Repeat repeat, Clock::time_point) {
    // Whatever waits in the socket now answered an earlier request (a reply to a resent
    // one, a late duplicate) and must not pass for this one's.
    CommandPacket stale;
    while (::recv(socket_, &stale, sizeof stale, MSG_DONTWAIT) >= 0) {
    }
    wire_ = request;
    rx_fwk::convertPacketByteOrder(wire_);
    repeat_ = repeat == Repeat::Allowed;
    sendWire();
}

std::vector<Reply> UdpBroadcastTransport::collect(const Match& match, bool all,
                                                  Clock::time_point deadline) {
    std::vector<Reply> replies;
    const bool resend = repeat_ && !all;
    Clock::time_point resendAt = Clock::now() + kResendInterval;
    for (;;) {
        Clock::time_point now = Clock::now();
        if (now >= deadline) {
            return replies;
        }
        if (resend && now >= resendAt) {
            sendWire();
            resendAt = now + kResendInterval;
        }
        Clock::time_point until = resend ? std::min(deadline, resendAt) : deadline;
        auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count();
        pollfd p{socket_, POLLIN, 0};
        int ready = ::poll(&p, 1, static_cast<int>(wait) + 1);
        if (ready < 0 && errno != EINTR) {
            throw TransportError(lastError("poll"));
        }
        if (ready <= 0) {
            continue;
        }
        CommandPacket reply;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
        iovec io{&reply, sizeof reply};
        msghdr msg{};
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        ssize_t got = ::recvmsg(socket_, &msg, MSG_DONTWAIT);
        if (got != static_cast<ssize_t>(sizeof reply) || (msg.msg_flags & MSG_TRUNC)) {
            continue;  // not a packet of the protocol
        }
        int arrivedOn = 0;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                in_pktinfo info;
                std::memcpy(&info, CMSG_DATA(c), sizeof info);
                arrivedOn = info.ipi_ifindex;
            }
        }
        const Interface* via = nullptr;
        for (const Interface& i : interfaces_) {
            if (i.index == arrivedOn) {
                via = &i;
            }
        }
        if (via == nullptr || reply.magic[0] != rx_fwk::kPacketMagic0 ||
            reply.magic[1] != rx_fwk::kPacketMagic1) {
            continue;
        }
        rx_fwk::convertPacketByteOrder(reply);
        if (!match(reply)) {
            continue;
        }
        replies.push_back(Reply{reply, ntohl(via->address), via->name, via->subnets});
        if (!all) {
            return replies;
        }
    }
}

}  // namespace tesselcfg
