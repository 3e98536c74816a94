// The controller's WinSock 1.1 subset: BSD-style sockets with WinSock types, error codes
// and a per-thread last error (the same slot as GetLastError).
//
// The host C library already claims fd_set, struct timeval, select() and the u_* type
// names in every translation unit (through <cstdlib>), so the socket set and the time-out of
// select are spelled WSAFDSET and TIMEVAL here, and the signatures use fixed-width types.
#pragma once

#include <cstddef>
#include <cstdint>

#include "kernel/base/Win32Types.h"
#include "kernel/net/WinSockErrors.h"

using SOCKET = std::uintptr_t;
constexpr SOCKET INVALID_SOCKET = ~SOCKET(0);
constexpr int SOCKET_ERROR = -1;

constexpr int AF_UNSPEC = 0;
constexpr int AF_INET = 2;
constexpr int PF_INET = AF_INET;

constexpr int SOCK_STREAM = 1;
constexpr int SOCK_DGRAM = 2;

constexpr int IPPROTO_IP = 0;
constexpr int IPPROTO_TCP = 6;
constexpr int IPPROTO_UDP = 17;

constexpr int SOL_SOCKET = 0xffff;
constexpr int SO_REUSEADDR = 0x0004;
constexpr int SO_KEEPALIVE = 0x0008;
constexpr int SO_BROADCAST = 0x0020;
constexpr int SO_LINGER = 0x0080;
constexpr int SO_DONTLINGER = ~SO_LINGER;
constexpr int SO_SNDBUF = 0x1001;
constexpr int SO_RCVBUF = 0x1002;
constexpr int SO_SNDTIMEO = 0x1005;  // DWORD milliseconds
constexpr int SO_RCVTIMEO = 0x1006;  // DWORD milliseconds
constexpr int TCP_NODELAY = 0x0001;
// An option of this stack (level SOL_SOCKET), set before a datagram socket is bound to the
// any-address: the value is a host interface's name (up to its terminator). The socket then
// belongs to that interface whatever addresses it has now or gets later: it receives what
// arrives there for its port (unicast and broadcast) and sends out of it, as a socket bound
// to the interface's address would. WSAEADDRNOTAVAIL when the host has no such interface,
// WSAEINVAL for a stream socket or one already bound.
constexpr int TOV_SO_INTERFACE = 0x7001;

constexpr int MSG_OOB = 0x1;
constexpr int MSG_PEEK = 0x2;
constexpr int MSG_DONTROUTE = 0x4;

constexpr long FIONREAD = 0x4004667FL;
constexpr long FIONBIO = static_cast<long>(0x8004667EUL);

constexpr std::uint32_t INADDR_ANY = 0x00000000;
constexpr std::uint32_t INADDR_LOOPBACK = 0x7f000001;
constexpr std::uint32_t INADDR_BROADCAST = 0xffffffff;
constexpr std::uint32_t INADDR_NONE = 0xffffffff;

struct in_addr {
    std::uint32_t s_addr;  // network byte order
};

struct sockaddr {
    std::uint16_t sa_family;
    char sa_data[14];
};

struct sockaddr_in {
    std::int16_t sin_family;
    std::uint16_t sin_port;  // network byte order
    in_addr sin_addr;
    char sin_zero[8];
};
static_assert(sizeof(sockaddr_in) == 16 && sizeof(sockaddr) == 16);

struct linger {
    std::uint16_t l_onoff;
    std::uint16_t l_linger;
};

struct hostent {
    char* h_name;
    char** h_aliases;
    std::int16_t h_addrtype;
    std::int16_t h_length;
    char** h_addr_list;
};

constexpr std::size_t WSADESCRIPTION_LEN = 256;
constexpr std::size_t WSASYS_STATUS_LEN = 128;

struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
    char szDescription[WSADESCRIPTION_LEN + 1];
    char szSystemStatus[WSASYS_STATUS_LEN + 1];
    std::uint16_t iMaxSockets;
    std::uint16_t iMaxUdpDg;
    char* lpVendorInfo;
};

constexpr WORD MAKEWORD(BYTE low, BYTE high) {
    return static_cast<WORD>(low | (high << 8));
}

struct TIMEVAL {
    long tv_sec;
    long tv_usec;
};

constexpr std::size_t WSA_FD_SETSIZE = 64;

// WinSock's socket set: a count and an array of sockets (not a bit map).
struct WSAFDSET {
    std::uint32_t fd_count;
    SOCKET fd_array[WSA_FD_SETSIZE];
};

inline void WSAFD_ZERO(WSAFDSET* set) {
    set->fd_count = 0;
}
inline bool WSAFD_ISSET(SOCKET s, const WSAFDSET* set) {
    for (std::uint32_t i = 0; i < set->fd_count; ++i) {
        if (set->fd_array[i] == s) {
            return true;
        }
    }
    return false;
}
inline void WSAFD_SET(SOCKET s, WSAFDSET* set) {
    if (!WSAFD_ISSET(s, set) && set->fd_count < WSA_FD_SETSIZE) {
        set->fd_array[set->fd_count++] = s;
    }
}

// Byte order. x86 is little-endian; the network is big-endian.
constexpr std::uint16_t htons(std::uint16_t v) {
    return static_cast<std::uint16_t>((v << 8) | (v >> 8));
}
constexpr std::uint16_t ntohs(std::uint16_t v) {
    return htons(v);
}
constexpr std::uint32_t htonl(std::uint32_t v) {
    return (v << 24) | ((v << 8) & 0x00ff0000u) | ((v >> 8) & 0x0000ff00u) | (v >> 24);
}
constexpr std::uint32_t ntohl(std::uint32_t v) {
    return htonl(v);
}

// Reference-counted start and stop of the library; sockets can be created only while it is
// started. Version 1.1 and later are accepted.
int WSAStartup(WORD versionRequested, WSADATA* data);
int WSACleanup();

int WSAGetLastError();
void WSASetLastError(int error);

SOCKET socket(int family, int type, int protocol);
int bind(SOCKET s, const sockaddr* address, int length);
int connect(SOCKET s, const sockaddr* address, int length);
int listen(SOCKET s, int backlog);
SOCKET accept(SOCKET s, sockaddr* address, int* length);
int send(SOCKET s, const char* bytes, int length, int flags);
int recv(SOCKET s, char* buffer, int length, int flags);
int sendto(SOCKET s, const char* bytes, int length, int flags, const sockaddr* to, int toLength);
// A datagram longer than the buffer fills the buffer and fails with WSAEMSGSIZE.
int recvfrom(SOCKET s, char* buffer, int length, int flags, sockaddr* from, int* fromLength);
// The first argument is ignored, as in WinSock. A null time-out waits without limit.
int select(int ignored, WSAFDSET* readSet, WSAFDSET* writeSet, WSAFDSET* exceptSet,
           const TIMEVAL* timeout);
int getsockname(SOCKET s, sockaddr* address, int* length);
int getpeername(SOCKET s, sockaddr* address, int* length);
int setsockopt(SOCKET s, int level, int name, const char* value, int length);
int ioctlsocket(SOCKET s, long command, std::uint32_t* argument);
int closesocket(SOCKET s);

constexpr int SD_RECEIVE = 0;
constexpr int SD_SEND = 1;
constexpr int SD_BOTH = 2;
int shutdown(SOCKET s, int how);

int gethostname(char* name, int length);
// Numeric addresses, "localhost" and the machine's own host name; the stack has no
// resolver of its own configured, so other names are not found (WSAHOST_NOT_FOUND).
// The entry is per thread and valid until the thread's next call.
hostent* gethostbyname(const char* name);
std::uint32_t inet_addr(const char* text);
// Per-thread buffer, valid until the thread's next call.
char* inet_ntoa(in_addr address);

// The stack's limit on open sockets (64 until the IP stack service sets its Max_Sockets);
// socket and accept fail with WSAEMFILE beyond it.
void TovSetMaxSockets(int limit);
int TovGetMaxSockets();
// Sockets open now.
int TovOpenSocketCount();
