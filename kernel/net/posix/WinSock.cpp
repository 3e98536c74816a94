// The WinSock calls: argument checks, WinSock constants and records, library start-up, the
// per-thread host entry and address text. The host sockets themselves are BsdSocket.cpp's.
#include "kernel/net/WinSock.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <vector>

#include "kernel/base/LastError.h"
#include "kernel/net/posix/BsdSocket.h"

namespace {

std::atomic<int> gStartups{0};

int fail(int error) {
    WSASetLastError(error);
    return SOCKET_ERROR;
}

// The host descriptor of a socket handle, or -1 for handles that cannot be one.
int hostSocket(SOCKET s) {
    return s > static_cast<SOCKET>(0x7fffffff) ? -1 : static_cast<int>(s);
}

bool checkAddress(const sockaddr* address, int length) {
    if (address == nullptr || length < static_cast<int>(sizeof(sockaddr_in))) {
        WSASetLastError(WSAEFAULT);
        return false;
    }
    return true;
}

// The optional address out-parameter of accept, recvfrom, getsockname and getpeername.
bool checkAddressOut(sockaddr* address, int* length) {
    if (address == nullptr) {
        return true;
    }
    if (length == nullptr || *length < static_cast<int>(sizeof(sockaddr_in))) {
        WSASetLastError(WSAEFAULT);
        return false;
    }
    return true;
}

void setAddressLength(sockaddr* address, int* length) {
    if (address != nullptr && length != nullptr) {
        *length = sizeof(sockaddr_in);
    }
}

int answer(int result) {
    return result < 0 ? SOCKET_ERROR : result;
}

}  // namespace

int WSAStartup(WORD versionRequested, WSADATA* data) {
    BYTE major = versionRequested & 0xff;
    BYTE minor = versionRequested >> 8;
    if (data == nullptr) {
        return WSAEFAULT;
    }
    std::memset(data, 0, sizeof *data);
    data->wHighVersion = MAKEWORD(1, 1);
    data->wVersion = MAKEWORD(1, 1);
    std::snprintf(data->szDescription, sizeof data->szDescription, "TCP/IP stack");
    std::snprintf(data->szSystemStatus, sizeof data->szSystemStatus, "Running");
    int limit = bsd::maxSockets();
    data->iMaxSockets = static_cast<std::uint16_t>(limit > 0xffff ? 0xffff : limit);
    data->iMaxUdpDg = 65467;
    if (major < 1 || (major == 1 && minor < 1)) {
        return WSAVERNOTSUPPORTED;
    }
    ++gStartups;
    return 0;
}

int WSACleanup() {
    int now = gStartups.load();
    while (now > 0 && !gStartups.compare_exchange_weak(now, now - 1)) {
    }
    if (now <= 0) {
        return fail(WSANOTINITIALISED);
    }
    return 0;
}

int WSAGetLastError() {
    return static_cast<int>(GetLastError());
}
void WSASetLastError(int error) {
    SetLastError(static_cast<DWORD>(error));
}

SOCKET socket(int family, int type, int protocol) {
    if (gStartups.load() <= 0) {
        WSASetLastError(WSANOTINITIALISED);
        return INVALID_SOCKET;
    }
    if (family != AF_INET) {
        WSASetLastError(WSAEAFNOSUPPORT);
        return INVALID_SOCKET;
    }
    if (type != SOCK_STREAM && type != SOCK_DGRAM) {
        WSASetLastError(WSAESOCKTNOSUPPORT);
        return INVALID_SOCKET;
    }
    bool stream = type == SOCK_STREAM;
    if (protocol != 0 && protocol != (stream ? IPPROTO_TCP : IPPROTO_UDP)) {
        WSASetLastError(WSAEPROTONOSUPPORT);
        return INVALID_SOCKET;
    }
    int s = bsd::open(stream);
    return s < 0 ? INVALID_SOCKET : static_cast<SOCKET>(s);
}

int bind(SOCKET s, const sockaddr* address, int length) {
    if (!checkAddress(address, length)) {
        return SOCKET_ERROR;
    }
    return answer(bsd::bind(hostSocket(s), address));
}

int connect(SOCKET s, const sockaddr* address, int length) {
    if (!checkAddress(address, length)) {
        return SOCKET_ERROR;
    }
    return answer(bsd::connect(hostSocket(s), address));
}

int listen(SOCKET s, int backlog) {
    return answer(bsd::listen(hostSocket(s), backlog));
}

SOCKET accept(SOCKET s, sockaddr* address, int* length) {
    if (!checkAddressOut(address, length)) {
        return INVALID_SOCKET;
    }
    int c = bsd::accept(hostSocket(s), address);
    if (c < 0) {
        return INVALID_SOCKET;
    }
    setAddressLength(address, length);
    return static_cast<SOCKET>(c);
}

int send(SOCKET s, const char* bytes, int length, int flags) {
    if (length < 0 || (bytes == nullptr && length > 0)) {
        return fail(WSAEFAULT);
    }
    return answer(bsd::send(hostSocket(s), bytes, length, flags));
}

int recv(SOCKET s, char* buffer, int length, int flags) {
    if (length < 0 || (buffer == nullptr && length > 0)) {
        return fail(WSAEFAULT);
    }
    return answer(bsd::receive(hostSocket(s), buffer, length, flags));
}

int sendto(SOCKET s, const char* bytes, int length, int flags, const sockaddr* to, int toLength) {
    if (length < 0 || (bytes == nullptr && length > 0)) {
        return fail(WSAEFAULT);
    }
    if (to == nullptr) {
        return send(s, bytes, length, flags);
    }
    if (!checkAddress(to, toLength)) {
        return SOCKET_ERROR;
    }
    return answer(bsd::sendTo(hostSocket(s), bytes, length, flags, to));
}

int recvfrom(SOCKET s, char* buffer, int length, int flags, sockaddr* from, int* fromLength) {
    if (length < 0 || (buffer == nullptr && length > 0)) {
        return fail(WSAEFAULT);
    }
    if (!checkAddressOut(from, fromLength)) {
        return SOCKET_ERROR;
    }
    int n = bsd::receiveFrom(hostSocket(s), buffer, length, flags, from);
    if (n >= 0 || WSAGetLastError() == WSAEMSGSIZE) {
        setAddressLength(from, fromLength);
    }
    return answer(n);
}

int select(int, WSAFDSET* readSet, WSAFDSET* writeSet, WSAFDSET* exceptSet,
           const TIMEVAL* timeout) {
    auto size = [](const WSAFDSET* set) { return set == nullptr ? 0u : set->fd_count; };
    for (const WSAFDSET* set : {readSet, writeSet, exceptSet}) {
        if (size(set) > WSA_FD_SETSIZE) {
            return fail(WSAEINVAL);
        }
    }
    // Most calls wait for one socket: no allocation unless a call of this thread asks for
    // more sockets than any before it.
    const std::size_t most = size(readSet) + size(writeSet) + size(exceptSet);
    constexpr std::size_t kInline = 4;
    bsd::PollEntry inlineEntries[kInline];
    bsd::PollEntry* entries = inlineEntries;
    if (most > kInline) {
        thread_local std::vector<bsd::PollEntry> spill;
        if (spill.size() < most) {
            spill.resize(most);
        }
        entries = spill.data();
    }
    int count = 0;
    auto collect = [entries, &count](WSAFDSET* set, bool bsd::PollEntry::*want) {
        for (std::uint32_t i = 0; set != nullptr && i < set->fd_count; ++i) {
            int fd = hostSocket(set->fd_array[i]);
            bsd::PollEntry* entry = nullptr;
            for (int e = 0; e < count && entry == nullptr; ++e) {
                if (entries[e].socket == fd) {
                    entry = &entries[e];
                }
            }
            if (entry == nullptr) {
                entry = &entries[count++];
                *entry = bsd::PollEntry{fd, false, false, false, false, false, false};
            }
            entry->*want = true;
        }
    };
    collect(readSet, &bsd::PollEntry::wantRead);
    collect(writeSet, &bsd::PollEntry::wantWrite);
    collect(exceptSet, &bsd::PollEntry::wantExcept);
    if (count == 0) {
        return fail(WSAEINVAL);
    }
    int timeoutMs = -1;
    if (timeout != nullptr) {
        if (timeout->tv_sec < 0 || timeout->tv_usec < 0) {
            return fail(WSAEINVAL);
        }
        long long ms = static_cast<long long>(timeout->tv_sec) * 1000 + timeout->tv_usec / 1000;
        if (ms == 0 && timeout->tv_usec > 0) {
            ms = 1;  // a sub-millisecond wait still waits
        }
        timeoutMs = ms > 0x7fffffff ? 0x7fffffff : static_cast<int>(ms);
    }
    int r = bsd::poll(entries, count, timeoutMs);
    if (r < 0) {
        return SOCKET_ERROR;
    }
    // Each set keeps only its ready sockets; a socket counts once per set it is ready in.
    int total = 0;
    auto keep = [entries, count, &total](WSAFDSET* set, bool bsd::PollEntry::*ready) {
        if (set == nullptr) {
            return;
        }
        std::uint32_t kept = 0;
        for (std::uint32_t i = 0; i < set->fd_count; ++i) {
            for (int n = 0; n < count; ++n) {
                const bsd::PollEntry& e = entries[n];
                if (e.socket == hostSocket(set->fd_array[i]) && e.*ready) {
                    set->fd_array[kept++] = set->fd_array[i];
                    break;
                }
            }
        }
        set->fd_count = kept;
        total += static_cast<int>(kept);
    };
    keep(readSet, &bsd::PollEntry::readable);
    keep(writeSet, &bsd::PollEntry::writable);
    keep(exceptSet, &bsd::PollEntry::exceptional);
    return total;
}

int getsockname(SOCKET s, sockaddr* address, int* length) {
    if (address == nullptr || !checkAddressOut(address, length)) {
        return fail(WSAEFAULT);
    }
    if (bsd::localAddress(hostSocket(s), address) < 0) {
        return SOCKET_ERROR;
    }
    setAddressLength(address, length);
    return 0;
}

int getpeername(SOCKET s, sockaddr* address, int* length) {
    if (address == nullptr || !checkAddressOut(address, length)) {
        return fail(WSAEFAULT);
    }
    if (bsd::peerAddress(hostSocket(s), address) < 0) {
        return SOCKET_ERROR;
    }
    setAddressLength(address, length);
    return 0;
}

int setsockopt(SOCKET s, int level, int name, const char* value, int length) {
    if (value == nullptr) {
        return fail(WSAEFAULT);
    }
    auto readInt = [value, length](int& out) {
        if (length < static_cast<int>(sizeof(int))) {
            WSASetLastError(WSAEFAULT);
            return false;
        }
        std::memcpy(&out, value, sizeof out);
        return true;
    };
    int fd = hostSocket(s);
    int v = 0;
    if (level == IPPROTO_TCP && name == TCP_NODELAY) {
        return readInt(v) ? answer(bsd::setOption(fd, bsd::Option::NoDelay, v != 0)) : -1;
    }
    if (level != SOL_SOCKET) {
        return fail(WSAEINVAL);
    }
    switch (name) {
        case SO_BROADCAST:
            return readInt(v) ? answer(bsd::setOption(fd, bsd::Option::Broadcast, v != 0)) : -1;
        case SO_REUSEADDR:
            return readInt(v) ? answer(bsd::setOption(fd, bsd::Option::ReuseAddress, v != 0)) : -1;
        case SO_KEEPALIVE:
            return readInt(v) ? answer(bsd::setOption(fd, bsd::Option::KeepAlive, v != 0)) : -1;
        case SO_SNDBUF:
            return readInt(v) ? answer(bsd::setOption(fd, bsd::Option::SendBuffer, v)) : -1;
        case SO_RCVBUF:
            return readInt(v) ? answer(bsd::setOption(fd, bsd::Option::ReceiveBuffer, v)) : -1;
        case SO_SNDTIMEO:
        case SO_RCVTIMEO: {
            if (!readInt(v)) {
                return SOCKET_ERROR;
            }
            return answer(bsd::setTimeout(fd, name == SO_RCVTIMEO, static_cast<std::uint32_t>(v)));
        }
        case SO_LINGER: {
            if (length < static_cast<int>(sizeof(linger))) {
                return fail(WSAEFAULT);
            }
            linger l;
            std::memcpy(&l, value, sizeof l);
            return answer(bsd::setLinger(fd, l.l_onoff != 0, l.l_linger));
        }
        case SO_DONTLINGER:
            return readInt(v) ? answer(bsd::setLinger(fd, v == 0, 0)) : -1;
        default:
            return fail(WSAENOPROTOOPT);
    }
}

int ioctlsocket(SOCKET s, long command, std::uint32_t* argument) {
    if (argument == nullptr) {
        return fail(WSAEFAULT);
    }
    if (command == FIONBIO) {
        return answer(bsd::setNonBlocking(hostSocket(s), *argument != 0));
    }
    if (command == FIONREAD) {
        return answer(bsd::bytesReadable(hostSocket(s), argument));
    }
    return fail(WSAEINVAL);
}

int closesocket(SOCKET s) {
    return answer(bsd::close(hostSocket(s)));
}

int shutdown(SOCKET s, int how) {
    return answer(bsd::shutdown(hostSocket(s), how));
}

int gethostname(char* name, int length) {
    if (name == nullptr) {
        return fail(WSAEFAULT);
    }
    return answer(bsd::hostName(name, length));
}

hostent* gethostbyname(const char* name) {
    struct Entry {
        char name[256];
        char* aliases[1];
        std::uint32_t address;
        char* addresses[2];
        hostent host;
    };
    thread_local Entry entry;
    std::uint32_t address = 0;
    if (name == nullptr || bsd::resolve(name, &address) < 0) {
        return nullptr;
    }
    std::snprintf(entry.name, sizeof entry.name, "%s", name);
    entry.aliases[0] = nullptr;
    entry.address = address;
    entry.addresses[0] = reinterpret_cast<char*>(&entry.address);
    entry.addresses[1] = nullptr;
    entry.host = hostent{entry.name, entry.aliases, AF_INET, 4, entry.addresses};
    return &entry.host;
}

std::uint32_t inet_addr(const char* text) {
    std::uint32_t address = INADDR_NONE;
    return bsd::parseAddress(text, &address) ? address : INADDR_NONE;
}

char* inet_ntoa(in_addr address) {
    thread_local char text[16];
    const auto* b = reinterpret_cast<const unsigned char*>(&address.s_addr);
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", b[0], b[1], b[2], b[3]);
    return text;
}

void TovSetMaxSockets(int limit) {
    bsd::setMaxSockets(limit);
}
int TovGetMaxSockets() {
    return bsd::maxSockets();
}
int TovOpenSocketCount() {
    return bsd::openSockets();
}
