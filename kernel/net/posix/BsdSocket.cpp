// BSD sockets of the host as the controller's stack behaves: a socket limit, and datagram
// sockets bound to an interface address that also receive and send limited broadcasts on
// that interface.
//
// Linux delivers 255.255.255.255 only to sockets bound to the any-address and routes it only
// where a route exists. So a datagram socket bound to an interface's address is bound to the
// any-address with the same port; IP_PKTINFO tells each datagram's interface and
// destination, and datagrams that the controller's socket would not have seen are dropped
// before select or recvfrom report them. A wanted datagram that select found is held for
// the recvfrom that follows, so each datagram is received from the host once. Sends leave
// with the interface and source address of the binding, which lets a limited broadcast out
// of that interface without any route. A socket given a whole interface (TOV_SO_INTERFACE)
// and bound to the any-address is filtered the same way by interface alone, so that it
// keeps hearing the interface while its address comes, goes or changes.
#include "kernel/net/posix/BsdSocket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <strings.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "kernel/net/WinSockErrors.h"
#include "kernel/net/posix/HostNetworkCache.h"
#include "kernel/net/posix/WinSockErrorTable.h"

namespace bsd {
namespace {

static_assert(sizeof(sockaddr_in) == 16, "WinSock and the host share the 16-byte record");

// The datagram a socket bound to an interface received ahead of recvfrom.
struct Held {
    static constexpr std::size_t kRoom = 65536;  // the largest datagram fits

    std::mutex lock;
    bool full = false;
    std::unique_ptr<char[]> bytes;  // made with the first datagram
    std::size_t length = 0;
    sockaddr_in from{};
};

struct Record {
    bool stream = false;
    bool nonBlocking = false;
    // Datagram socket bound to an interface address (see the file comment).
    bool onInterface = false;
    int ifIndex = 0;
    in_addr_t boundAddress = 0;       // network order
    in_addr_t directedBroadcast = 0;  // network order; 0 when the interface has none
    std::shared_ptr<Held> held;       // with onInterface
    // Bound to the any-address on behalf of a whole interface (TOV_SO_INTERFACE): every
    // datagram that arrives there is wanted, whatever the interface's addresses.
    bool wholeInterface = false;
    int chosenIfIndex = 0;  // set by setInterface, used by the next bind
};

constexpr int kDefaultMaxSockets = 64;

// Function-local, so that sockets made during static construction find the table built.
struct Table {
    std::mutex lock;
    std::map<int, Record> sockets;
    int maxSockets = kDefaultMaxSockets;
};

Table& table() {
    static Table* t = new Table();
    return *t;
}

bool lookup(int s, Record& out) {
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    auto it = t.sockets.find(s);
    if (it == t.sockets.end()) {
        return false;
    }
    out = it->second;
    return true;
}

// The table entry must exist, else the handle is not one of ours.
#define BSD_RECORD_OR_FAIL(s, rec)    \
    Record rec;                       \
    if (!lookup((s), rec)) {          \
        return failWith(WSAENOTSOCK); \
    }

sockaddr_in toHost(const void* address) {
    sockaddr_in in;
    std::memcpy(&in, address, sizeof in);
    return in;
}

int hostFlags(int flags, int& out) {
    out = MSG_NOSIGNAL;  // a closed peer is an error code, never a signal
    if (flags & ~(kMsgOob | kMsgPeek | kMsgDontRoute)) {
        return failWith(WSAEOPNOTSUPP);
    }
    if (flags & kMsgOob) {
        out |= MSG_OOB;
    }
    if (flags & kMsgPeek) {
        out |= MSG_PEEK;
    }
    if (flags & kMsgDontRoute) {
        out |= MSG_DONTROUTE;
    }
    return 0;
}

// The interface that holds an IPv4 address, with its directed broadcast address.
bool interfaceOf(in_addr_t address, int& index, in_addr_t& broadcast) {
    hostif::CurrentNetwork network;
    for (const hostif::AddressInfo& a : network->addresses) {
        if (a.address != address) {
            continue;
        }
        const hostif::LinkInfo* link = network->link(a.index);
        if (link == nullptr) {
            continue;
        }
        index = a.index;
        broadcast = (link->flags & IFF_BROADCAST) != 0 ? a.broadcast : 0;
        return true;
    }
    return false;
}

bool wanted(const Record& rec, int ifIndex, in_addr_t destination) {
    if (rec.wholeInterface) {
        return ifIndex == rec.ifIndex;
    }
    if (destination == rec.boundAddress) {
        return true;
    }
    bool broadcast = destination == INADDR_BROADCAST ||
                     (rec.directedBroadcast != 0 && destination == rec.directedBroadcast);
    return broadcast && ifIndex == rec.ifIndex;
}

// Receives one datagram together with its interface and destination.
ssize_t receiveWithInfo(int s, void* buffer, size_t length, int flags, sockaddr_in* from,
                        int& ifIndex, in_addr_t& destination, bool& truncated) {
    iovec io{buffer, length};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr msg{};
    msg.msg_name = from;
    msg.msg_namelen = from != nullptr ? sizeof *from : 0;
    msg.msg_iov = &io;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    ssize_t n;
    do {
        n = ::recvmsg(s, &msg, flags);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        return n;
    }
    ifIndex = 0;
    destination = 0;
    for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
        if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
            in_pktinfo info;
            std::memcpy(&info, CMSG_DATA(c), sizeof info);
            ifIndex = info.ipi_ifindex;
            destination = info.ipi_addr.s_addr;
        }
    }
    truncated = (msg.msg_flags & MSG_TRUNC) != 0;
    return n;
}

// With held.lock: receives queued datagrams, dropping those the controller's socket would
// not see, until a wanted one is held. True when one is held, false when the queue is
// empty (errno EAGAIN) or the receive failed.
bool holdWanted(int s, const Record& rec, Held& held) {
    if (!held.bytes) {
        held.bytes.reset(new char[Held::kRoom]);
    }
    while (!held.full) {
        int ifIndex;
        in_addr_t destination;
        bool truncated;
        ssize_t n = receiveWithInfo(s, held.bytes.get(), Held::kRoom, MSG_DONTWAIT, &held.from,
                                    ifIndex, destination, truncated);
        if (n < 0) {
            return false;
        }
        if (wanted(rec, ifIndex, destination)) {
            held.length = static_cast<std::size_t>(n);
            held.full = true;
        }
    }
    return true;
}

// The protocols on these sockets write a request or reply in pieces (a length word, then
// the packet) and wait for the answer; holding the second piece back for the first one's
// acknowledgement would add a delayed-ACK wait to every exchange.
void noDelay(int s) {
    int on = 1;
    ::setsockopt(s, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
}

long long nowMs() {
    timespec t;
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1000 + t.tv_nsec / 1000000;
}

// A blocking transfer that ran out of its SO_RCVTIMEO or SO_SNDTIMEO has timed out, as
// WinSock reports it; a non-blocking one would have blocked.
int failTransfer(const Record& rec) {
    return failWith(errno == EAGAIN && !rec.nonBlocking ? WSAETIMEDOUT : wsaErrorFromErrno(errno));
}

int waitReadable(int s) {
    pollfd p{s, POLLIN, 0};
    int r;
    do {
        r = ::poll(&p, 1, -1);
    } while (r < 0 && errno == EINTR);
    return r;
}

int bindWholeInterface(int s, sockaddr_in& in, int ifIndex) {
    int on = 1;
    if (::setsockopt(s, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0) {
        return failWithErrno();
    }
    if (::bind(s, reinterpret_cast<sockaddr*>(&in), sizeof in) != 0) {
        return failWithErrno();
    }
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    Record& stored = t.sockets[s];
    stored.onInterface = true;
    stored.held = std::make_shared<Held>();
    stored.wholeInterface = true;
    stored.ifIndex = ifIndex;
    return 0;
}

// The first IPv4 address the interface has now, network order; 0 when none.
in_addr_t currentAddressOf(int ifIndex) {
    hostif::CurrentNetwork network;
    const hostif::LinkInfo* link = network->link(ifIndex);
    const hostif::AddressInfo* a = link != nullptr ? network->firstAddress(*link) : nullptr;
    return a != nullptr ? a->address : 0;
}

}  // namespace

int open(bool stream) {
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    if (static_cast<int>(t.sockets.size()) >= t.maxSockets) {
        return failWith(WSAEMFILE);
    }
    int s = ::socket(AF_INET, (stream ? SOCK_STREAM : SOCK_DGRAM) | SOCK_CLOEXEC, 0);
    if (s < 0) {
        return failWithErrno();
    }
    if (stream) {
        // The controller's stack starts afresh with the machine; connections of the previous
        // boot (a restart re-executes the image) must not keep its ports taken.
        int on = 1;
        ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        noDelay(s);
    }
    Record rec;
    rec.stream = stream;
    t.sockets[s] = rec;
    return s;
}

int close(int s) {
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    auto it = t.sockets.find(s);
    if (it == t.sockets.end()) {
        return failWith(WSAENOTSOCK);
    }
    t.sockets.erase(it);
    // The descriptor goes in any case; EINTR still releases it on Linux.
    ::close(s);
    return 0;
}

int bind(int s, const void* address) {
    BSD_RECORD_OR_FAIL(s, rec);
    sockaddr_in in = toHost(address);
    if (in.sin_family != AF_INET) {
        return failWith(WSAEAFNOSUPPORT);
    }
    in_addr_t asked = in.sin_addr.s_addr;
    if (!rec.stream && asked == INADDR_ANY && rec.chosenIfIndex != 0) {
        return bindWholeInterface(s, in, rec.chosenIfIndex);
    }
    bool unicast = asked != INADDR_ANY && asked != INADDR_BROADCAST && !IN_MULTICAST(ntohl(asked));
    if (rec.stream || !unicast) {
        if (::bind(s, reinterpret_cast<sockaddr*>(&in), sizeof in) != 0) {
            return failWithErrno();
        }
        return 0;
    }
    int ifIndex = 0;
    in_addr_t broadcast = 0;
    if (!interfaceOf(asked, ifIndex, broadcast)) {
        return failWith(WSAEADDRNOTAVAIL);
    }
    int on = 1;
    if (::setsockopt(s, IPPROTO_IP, IP_PKTINFO, &on, sizeof on) != 0) {
        return failWithErrno();
    }
    in.sin_addr.s_addr = INADDR_ANY;
    if (::bind(s, reinterpret_cast<sockaddr*>(&in), sizeof in) != 0) {
        return failWithErrno();
    }
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    Record& stored = t.sockets[s];
    stored.onInterface = true;
    stored.held = std::make_shared<Held>();
    stored.ifIndex = ifIndex;
    stored.boundAddress = asked;
    stored.directedBroadcast = broadcast;
    return 0;
}

int connect(int s, const void* address) {
    BSD_RECORD_OR_FAIL(s, rec);
    sockaddr_in in = toHost(address);
    int r;
    do {
        r = ::connect(s, reinterpret_cast<sockaddr*>(&in), sizeof in);
    } while (r != 0 && errno == EINTR && !rec.nonBlocking);
    return r == 0 ? 0 : failWithErrno();
}

int listen(int s, int backlog) {
    BSD_RECORD_OR_FAIL(s, rec);
    if (!rec.stream) {
        return failWith(WSAEOPNOTSUPP);
    }
    return ::listen(s, backlog) == 0 ? 0 : failWithErrno();
}

int accept(int s, void* address) {
    BSD_RECORD_OR_FAIL(s, rec);
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    int c;
    do {
        c = ::accept4(s, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_CLOEXEC);
    } while (c < 0 && errno == EINTR);
    if (c < 0) {
        return failWithErrno();
    }
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    if (static_cast<int>(t.sockets.size()) >= t.maxSockets) {
        ::close(c);
        return failWith(WSAEMFILE);
    }
    noDelay(c);
    Record accepted;
    accepted.stream = true;
    accepted.nonBlocking = rec.nonBlocking;  // as WinSock, the new socket inherits the mode
    if (rec.nonBlocking) {
        ::fcntl(c, F_SETFL, ::fcntl(c, F_GETFL) | O_NONBLOCK);
    }
    t.sockets[c] = accepted;
    if (address != nullptr) {
        std::memcpy(address, &peer, sizeof peer);
    }
    return c;
}

int send(int s, const void* bytes, int length, int flags) {
    BSD_RECORD_OR_FAIL(s, rec);
    int hf;
    if (hostFlags(flags, hf) != 0) {
        return -1;
    }
    ssize_t n;
    do {
        n = ::send(s, bytes, static_cast<size_t>(length), hf);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? failTransfer(rec) : static_cast<int>(n);
}

int receive(int s, void* buffer, int length, int flags) {
    BSD_RECORD_OR_FAIL(s, rec);
    if (!rec.stream) {
        return receiveFrom(s, buffer, length, flags, nullptr);
    }
    int hf;
    if (hostFlags(flags, hf) != 0) {
        return -1;
    }
    ssize_t n;
    do {
        n = ::recv(s, buffer, static_cast<size_t>(length), hf);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? failTransfer(rec) : static_cast<int>(n);
}

int sendTo(int s, const void* bytes, int length, int flags, const void* address) {
    BSD_RECORD_OR_FAIL(s, rec);
    int hf;
    if (hostFlags(flags, hf) != 0) {
        return -1;
    }
    sockaddr_in to = toHost(address);
    iovec io{const_cast<void*>(bytes), static_cast<size_t>(length)};
    msghdr msg{};
    msg.msg_name = &to;
    msg.msg_namelen = sizeof to;
    msg.msg_iov = &io;
    msg.msg_iovlen = 1;
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    if (rec.onInterface) {
        in_pktinfo info{};
        info.ipi_spec_dst.s_addr = rec.boundAddress;
        bool broadcast =
            to.sin_addr.s_addr == INADDR_BROADCAST ||
            (rec.directedBroadcast != 0 && to.sin_addr.s_addr == rec.directedBroadcast);
        // A socket of a whole interface always speaks through it, with the source address
        // the interface has at the time (none chosen here).
        if (broadcast || rec.wholeInterface) {
            info.ipi_ifindex = rec.ifIndex;
        }
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        cmsghdr* c = CMSG_FIRSTHDR(&msg);
        c->cmsg_level = IPPROTO_IP;
        c->cmsg_type = IP_PKTINFO;
        c->cmsg_len = CMSG_LEN(sizeof info);
        std::memcpy(CMSG_DATA(c), &info, sizeof info);
    }
    ssize_t n;
    do {
        n = ::sendmsg(s, &msg, hf);
    } while (n < 0 && errno == EINTR);
    return n < 0 ? failTransfer(rec) : static_cast<int>(n);
}

namespace {

// recvfrom on a socket bound to an interface: from the held datagram.
int receiveHeld(int s, const Record& rec, void* buffer, int length, int flags, void* address) {
    Held& held = *rec.held;
    std::unique_lock<std::mutex> hold(held.lock);
    while (!holdWanted(s, rec, held)) {
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            return failWithErrno();
        }
        if (rec.nonBlocking) {
            return failWith(WSAEWOULDBLOCK);
        }
        hold.unlock();
        if (waitReadable(s) < 0) {
            return failWithErrno();
        }
        hold.lock();
    }
    const std::size_t copied = std::min(held.length, static_cast<std::size_t>(length));
    std::memcpy(buffer, held.bytes.get(), copied);
    if (address != nullptr) {
        std::memcpy(address, &held.from, sizeof held.from);
    }
    const bool truncated = copied < held.length;
    if ((flags & MSG_PEEK) == 0) {
        held.full = false;
    }
    // WinSock: the buffer holds the datagram's start, the rest is lost.
    return truncated ? failWith(WSAEMSGSIZE) : static_cast<int>(copied);
}

// Room for the entries of one poll: most calls wait for one socket, and no call allocates
// unless it asks for more sockets than any call of its thread did before.
template <typename T>
class PollScratch {
public:
    explicit PollScratch(int count) {
        if (count <= kInline) {
            items_ = inline_;
            return;
        }
        thread_local std::vector<T> spill;
        if (spill.size() < static_cast<std::size_t>(count)) {
            spill.resize(static_cast<std::size_t>(count));
        }
        items_ = spill.data();
    }
    T& operator[](int i) { return items_[i]; }
    T* data() { return items_; }

private:
    static constexpr int kInline = 4;
    T inline_[kInline];
    T* items_;
};

}  // namespace

int receiveFrom(int s, void* buffer, int length, int flags, void* address) {
    BSD_RECORD_OR_FAIL(s, rec);
    int hf;
    if (hostFlags(flags, hf) != 0) {
        return -1;
    }
    if (rec.onInterface) {
        return receiveHeld(s, rec, buffer, length, hf, address);
    }
    sockaddr_in from{};
    int ifIndex;
    in_addr_t destination;
    bool truncated = false;
    ssize_t n = receiveWithInfo(s, buffer, static_cast<size_t>(length), hf, &from, ifIndex,
                                destination, truncated);
    if (n < 0) {
        return failTransfer(rec);
    }
    if (address != nullptr) {
        std::memcpy(address, &from, sizeof from);
    }
    if (truncated && !rec.stream) {
        // WinSock: the buffer holds the datagram's start, the rest is lost.
        return failWith(WSAEMSGSIZE);
    }
    return static_cast<int>(n);
}

int poll(PollEntry* entries, int count, int timeoutMs) {
    PollScratch<pollfd> fds(count + 1);
    PollScratch<Record> records(count);
    bool heldAlready = false;
    for (int i = 0; i < count; ++i) {
        if (!lookup(entries[i].socket, records[i])) {
            return failWith(WSAENOTSOCK);
        }
        short events = 0;
        if (entries[i].wantRead) {
            events |= POLLIN;
            if (records[i].held) {
                std::lock_guard<std::mutex> hold(records[i].held->lock);
                heldAlready = heldAlready || records[i].held->full;
            }
        }
        if (entries[i].wantWrite) {
            events |= POLLOUT;
        }
        if (entries[i].wantExcept) {
            events |= POLLPRI;
        }
        fds[i] = pollfd{entries[i].socket, events, 0};
    }
    // The routing socket is watched too: a request that wakes the thread then asks about the
    // network without a receive of its own when no change came before it.
    int watched = count;
    const int network = hostif::watchSocket();
    if (network >= 0) {
        fds[count] = pollfd{network, POLLIN, 0};
        watched = count + 1;
    }
    hostif::noteNetworkQuiet(false);
    long long deadline = timeoutMs < 0 ? -1 : nowMs() + timeoutMs;
    for (;;) {
        int wait = -1;
        if (heldAlready) {
            wait = 0;  // a held datagram is ready now
        } else if (deadline >= 0) {
            long long left = deadline - nowMs();
            wait = left > 0 ? static_cast<int>(left) : 0;
        }
        int r = ::poll(fds.data(), static_cast<nfds_t>(watched), wait);
        if (r < 0) {
            if (errno == EINTR) {
                continue;
            }
            return failWithErrno();
        }
        if (watched > count && fds[count].revents != 0) {
            watched = count;  // a change: left for the next question to drain
        }
        int ready = 0;
        for (int i = 0; i < count; ++i) {
            PollEntry& e = entries[i];
            short got = fds[i].revents;
            // Errors and hang-ups make a socket readable and writable, so that the next call
            // reports them, as select does.
            bool broken = (got & (POLLERR | POLLHUP | POLLNVAL)) != 0;
            e.readable = e.wantRead && ((got & POLLIN) || broken);
            if (e.wantRead && records[i].onInterface && !broken) {
                Held& held = *records[i].held;
                std::lock_guard<std::mutex> hold(held.lock);
                e.readable =
                    held.full || ((got & POLLIN) && holdWanted(e.socket, records[i], held));
            }
            e.writable = e.wantWrite && ((got & POLLOUT) || broken);
            e.exceptional = e.wantExcept && (got & POLLPRI);
            if (e.readable || e.writable || e.exceptional) {
                ++ready;
            }
        }
        if (ready > 0 || r == 0 || (deadline >= 0 && nowMs() >= deadline)) {
            hostif::noteNetworkQuiet(ready > 0 && watched > count);
            return ready;
        }
        // Only dropped datagrams woke us: wait for the rest of the time.
        heldAlready = false;
    }
}

int localAddress(int s, void* address) {
    BSD_RECORD_OR_FAIL(s, rec);
    sockaddr_in in{};
    socklen_t length = sizeof in;
    if (::getsockname(s, reinterpret_cast<sockaddr*>(&in), &length) != 0) {
        return failWithErrno();
    }
    if (rec.wholeInterface) {
        in.sin_addr.s_addr = currentAddressOf(rec.ifIndex);
    } else if (rec.onInterface) {
        in.sin_addr.s_addr = rec.boundAddress;
    }
    std::memcpy(address, &in, sizeof in);
    return 0;
}

int peerAddress(int s, void* address) {
    BSD_RECORD_OR_FAIL(s, rec);
    sockaddr_in in{};
    socklen_t length = sizeof in;
    if (::getpeername(s, reinterpret_cast<sockaddr*>(&in), &length) != 0) {
        return failWithErrno();
    }
    std::memcpy(address, &in, sizeof in);
    return 0;
}

int setInterface(int s, const char* name) {
    BSD_RECORD_OR_FAIL(s, rec);
    if (rec.stream || rec.onInterface) {
        return failWith(WSAEINVAL);
    }
    const int ifIndex = static_cast<int>(::if_nametoindex(name));
    if (ifIndex == 0) {
        return failWith(WSAEADDRNOTAVAIL);
    }
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    t.sockets[s].chosenIfIndex = ifIndex;
    return 0;
}

int setOption(int s, Option option, int value) {
    BSD_RECORD_OR_FAIL(s, rec);
    int level = SOL_SOCKET;
    int name = 0;
    switch (option) {
        case Option::Broadcast:
            name = SO_BROADCAST;
            break;
        case Option::ReuseAddress:
            name = SO_REUSEADDR;
            break;
        case Option::KeepAlive:
            name = SO_KEEPALIVE;
            break;
        case Option::SendBuffer:
            name = SO_SNDBUF;
            break;
        case Option::ReceiveBuffer:
            name = SO_RCVBUF;
            break;
        case Option::NoDelay:
            level = IPPROTO_TCP;
            name = TCP_NODELAY;
            break;
    }
    return ::setsockopt(s, level, name, &value, sizeof value) == 0 ? 0 : failWithErrno();
}

int setLinger(int s, bool on, int seconds) {
    BSD_RECORD_OR_FAIL(s, rec);
    ::linger l{on ? 1 : 0, seconds};
    return ::setsockopt(s, SOL_SOCKET, SO_LINGER, &l, sizeof l) == 0 ? 0 : failWithErrno();
}

int setTimeout(int s, bool receive, std::uint32_t milliseconds) {
    BSD_RECORD_OR_FAIL(s, rec);
    timeval t{static_cast<time_t>(milliseconds / 1000),
              static_cast<suseconds_t>((milliseconds % 1000) * 1000)};
    int name = receive ? SO_RCVTIMEO : SO_SNDTIMEO;
    return ::setsockopt(s, SOL_SOCKET, name, &t, sizeof t) == 0 ? 0 : failWithErrno();
}

int setNonBlocking(int s, bool on) {
    BSD_RECORD_OR_FAIL(s, rec);
    int flags = ::fcntl(s, F_GETFL);
    if (flags < 0 || ::fcntl(s, F_SETFL, on ? flags | O_NONBLOCK : flags & ~O_NONBLOCK) < 0) {
        return failWithErrno();
    }
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    t.sockets[s].nonBlocking = on;
    return 0;
}

int shutdown(int s, int how) {
    BSD_RECORD_OR_FAIL(s, rec);
    static const int kHow[] = {SHUT_RD, SHUT_WR, SHUT_RDWR};
    if (how < 0 || how > 2) {
        return failWith(WSAEINVAL);
    }
    return ::shutdown(s, kHow[how]) == 0 ? 0 : failWithErrno();
}

int bytesReadable(int s, std::uint32_t* count) {
    BSD_RECORD_OR_FAIL(s, rec);
    if (rec.held) {
        std::lock_guard<std::mutex> hold(rec.held->lock);
        if (rec.held->full) {
            *count = static_cast<std::uint32_t>(rec.held->length);
            return 0;
        }
    }
    int n = 0;
    if (::ioctl(s, FIONREAD, &n) != 0) {
        return failWithErrno();
    }
    *count = static_cast<std::uint32_t>(n);
    return 0;
}

int hostName(char* name, int length) {
    char own[256] = {};
    if (::gethostname(own, sizeof own - 1) != 0) {
        return failWithErrno();
    }
    if (length <= 0 || std::strlen(own) >= static_cast<size_t>(length)) {
        return failWith(WSAEFAULT);
    }
    std::strcpy(name, own);
    return 0;
}

int resolve(const char* name, std::uint32_t* address) {
    if (name == nullptr) {
        return failWith(WSAEFAULT);
    }
    in_addr numeric;
    if (::inet_aton(name, &numeric) != 0) {
        *address = numeric.s_addr;
        return 0;
    }
    if (::strcasecmp(name, "localhost") == 0) {
        *address = htonl(INADDR_LOOPBACK);
        return 0;
    }
    char own[256] = {};
    if (::gethostname(own, sizeof own - 1) == 0 && ::strcasecmp(name, own) == 0) {
        // The machine's own name stands for its first configured interface.
        *address = htonl(INADDR_LOOPBACK);
        ifaddrs* list = nullptr;
        if (::getifaddrs(&list) == 0) {
            for (ifaddrs* a = list; a != nullptr; a = a->ifa_next) {
                if (a->ifa_addr != nullptr && a->ifa_addr->sa_family == AF_INET &&
                    (a->ifa_flags & IFF_UP) && !(a->ifa_flags & IFF_LOOPBACK)) {
                    *address = reinterpret_cast<sockaddr_in*>(a->ifa_addr)->sin_addr.s_addr;
                    break;
                }
            }
            ::freeifaddrs(list);
        }
        return 0;
    }
    return failWith(WSAHOST_NOT_FOUND);
}

bool parseAddress(const char* text, std::uint32_t* address) {
    in_addr parsed;
    if (text == nullptr || ::inet_aton(text, &parsed) == 0) {
        return false;
    }
    *address = parsed.s_addr;
    return true;
}

void setMaxSockets(int limit) {
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    t.maxSockets = limit > 0 ? limit : kDefaultMaxSockets;
}

int maxSockets() {
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    return t.maxSockets;
}

int openSockets() {
    Table& t = table();
    std::lock_guard<std::mutex> hold(t.lock);
    return static_cast<int>(t.sockets.size());
}

}  // namespace bsd
