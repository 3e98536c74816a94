#include "tools/tesselcfg/UdpBroadcastTransport.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <map>

namespace tesselcfg {
namespace {

// Lost datagrams are rare on a segment, but a query that is answered once is cheap to ask
// again.
constexpr auto kResendInterval = std::chrono::milliseconds(500);
// A fleet answers a broadcast all at once; the host counts each datagram with its overhead
// (about 1 KiB for a reply), so this holds a few thousand replies.
constexpr int kReceiveBuffer = 8 << 20;

std::string lastError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

}  // namespace

struct UdpBroadcastTransport::Inbox {
    static constexpr int kBatch = 64;
    CommandPacket packets[kBatch];
    alignas(cmsghdr) char control[kBatch][CMSG_SPACE(sizeof(in_pktinfo))];
    iovec io[kBatch];
    mmsghdr messages[kBatch];
};

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
    // Beyond the host's limit for others only with the privilege to do so.
    if (::setsockopt(socket_, SOL_SOCKET, SO_RCVBUFFORCE, &kReceiveBuffer, sizeof kReceiveBuffer) !=
        0) {
        ::setsockopt(socket_, SOL_SOCKET, SO_RCVBUF, &kReceiveBuffer, sizeof kReceiveBuffer);
    }
    ::setsockopt(socket_, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    sockaddr_in any{};
    any.sin_family = AF_INET;
    if (::bind(socket_, reinterpret_cast<sockaddr*>(&any), sizeof any) != 0) {
        ::close(socket_);
        throw TransportError(lastError("bind"));
    }
    inbox_ = std::make_unique<Inbox>();
}

UdpBroadcastTransport::~UdpBroadcastTransport() {
    if (socket_ >= 0) {
        ::close(socket_);
    }
}

bool UdpBroadcastTransport::sendOut(const CommandPacket& wire, const Interface& via,
                                    std::uint32_t address) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(rx_fwk::kCommandUdpPort);
    to.sin_addr.s_addr = htonl(address != 0 ? address : INADDR_BROADCAST);
    // The interface chosen per datagram lets a broadcast out without a route.
    in_pktinfo info{};
    info.ipi_ifindex = via.index;
    info.ipi_spec_dst.s_addr = via.address;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof info)] = {};
    iovec io{const_cast<CommandPacket*>(&wire), sizeof wire};
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
    return ::sendmsg(socket_, &msg, 0) == static_cast<ssize_t>(sizeof wire);
}

void UdpBroadcastTransport::sendWire() {
    int sentSomewhere = 0;
    int lastErrno = 0;
    for (const Interface& i : interfaces_) {
        if (sendOut(wire_, i, 0)) {
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
    drain([](Reply&&) {});
    wire_ = request;
    rx_fwk::convertPacketByteOrder(wire_);
    repeat_ = repeat == Repeat::Allowed;
    sendWire();
}

bool UdpBroadcastTransport::waitFor(Clock::time_point until) {
    const auto wait =
        std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    pollfd p{socket_, POLLIN, 0};
    int ready = ::poll(&p, 1, wait > 0 ? static_cast<int>(wait) + 1 : 0);
    if (ready < 0 && errno != EINTR) {
        throw TransportError(lastError("poll"));
    }
    return ready > 0;
}

void UdpBroadcastTransport::drain(const std::function<void(Reply&&)>& take) {
    Inbox& in = *inbox_;
    for (;;) {
        for (int i = 0; i < Inbox::kBatch; ++i) {
            in.io[i] = iovec{&in.packets[i], sizeof in.packets[i]};
            in.messages[i] = mmsghdr{};
            in.messages[i].msg_hdr.msg_iov = &in.io[i];
            in.messages[i].msg_hdr.msg_iovlen = 1;
            in.messages[i].msg_hdr.msg_control = in.control[i];
            in.messages[i].msg_hdr.msg_controllen = sizeof in.control[i];
        }
        const int got = ::recvmmsg(socket_, in.messages, Inbox::kBatch, MSG_DONTWAIT, nullptr);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                return;
            }
            throw TransportError(lastError("receiving"));
        }
        for (int m = 0; m < got; ++m) {
            msghdr& msg = in.messages[m].msg_hdr;
            CommandPacket& reply = in.packets[m];
            if (in.messages[m].msg_len != sizeof reply || (msg.msg_flags & MSG_TRUNC)) {
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
            take(Reply{reply, ntohl(via->address), via->name, via->subnets});
        }
        if (got < Inbox::kBatch) {
            return;
        }
    }
}

std::vector<Reply> UdpBroadcastTransport::collect(const Match& match, std::size_t limit,
                                                  Clock::time_point deadline) {
    std::vector<Reply> replies;
    // A request that may be repeated goes out again once the replies have stopped coming
    // for a while and some are still missing; a collection without a number waits for
    // whatever comes by the deadline.
    const bool resend = repeat_ && limit != kEvery;
    Clock::time_point resendAt = Clock::now() + kResendInterval;
    while (replies.size() < limit) {
        Clock::time_point now = Clock::now();
        if (now >= deadline) {
            break;
        }
        if (resend && now >= resendAt) {
            sendWire();
            resendAt = now + kResendInterval;
        }
        if (!waitFor(resend ? std::min(deadline, resendAt) : deadline)) {
            continue;
        }
        const std::size_t before = replies.size();
        drain([&](Reply&& reply) {
            if (replies.size() < limit && match(reply.packet)) {
                replies.push_back(std::move(reply));
            }
        });
        if (replies.size() > before) {
            resendAt = Clock::now() + kResendInterval;
        }
    }
    return replies;
}

std::vector<std::optional<Reply>> UdpBroadcastTransport::askEach(const std::vector<Query>& queries,
                                                                 const Match& isAnswer,
                                                                 Clock::time_point deadline) {
    drain([](Reply&&) {});  // answers to earlier requests
    std::vector<std::optional<Reply>> replies(queries.size());
    std::vector<CommandPacket> wires;
    std::map<std::array<std::uint8_t, 6>, std::size_t> byMac;
    for (std::size_t i = 0; i < queries.size(); ++i) {
        wires.push_back(queries[i].request);
        rx_fwk::convertPacketByteOrder(wires.back());
        std::array<std::uint8_t, 6> mac;
        std::memcpy(mac.data(), queries[i].request.macAddress, mac.size());
        byMac[mac] = i;
    }
    auto sendPending = [&] {
        for (std::size_t i = 0; i < queries.size(); ++i) {
            if (replies[i]) {
                continue;
            }
            const Query& query = queries[i];
            const Interface* via = nullptr;
            for (const Interface& candidate : interfaces_) {
                if (candidate.name == query.interfaceName) {
                    via = &candidate;
                }
            }
            const bool reached =
                via != nullptr && query.address != 0 &&
                std::any_of(via->subnets.begin(), via->subnets.end(),
                            [&](const Ipv4Subnet& s) { return s.contains(query.address); });
            if (reached) {
                sendOut(wires[i], *via, query.address);
                continue;
            }
            for (const Interface& out : interfaces_) {
                if (via == nullptr || &out == via) {
                    sendOut(wires[i], out, 0);
                }
            }
        }
    };
    std::size_t waiting = queries.size();
    sendPending();
    Clock::time_point resendAt = Clock::now() + kResendInterval;
    while (waiting > 0) {
        Clock::time_point now = Clock::now();
        if (now >= deadline) {
            break;
        }
        if (now >= resendAt) {
            sendPending();
            resendAt = now + kResendInterval;
        }
        if (!waitFor(std::min(deadline, resendAt))) {
            continue;
        }
        const std::size_t before = waiting;
        drain([&](Reply&& reply) {
            std::array<std::uint8_t, 6> mac;
            std::memcpy(mac.data(), reply.packet.macAddress, mac.size());
            auto it = byMac.find(mac);
            if (it != byMac.end() && !replies[it->second] && isAnswer(reply.packet)) {
                replies[it->second] = std::move(reply);
                --waiting;
            }
        });
        if (waiting < before) {
            resendAt = Clock::now() + kResendInterval;  // still coming: no need to ask again
        }
    }
    return replies;
}

}  // namespace tesselcfg
