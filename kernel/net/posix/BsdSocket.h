// The host's BSD sockets behind the WinSock calls. Only neutral types cross this header:
// WinSock.cpp must not see the host's socket headers and BsdSocket.cpp must not see
// WinSock.h (both define sockaddr, select, ...). Addresses are 16-byte IPv4 socket
// address records, whose layout is the same on both sides. Failures answer -1 and leave
// the WinSock error code as the thread's last error.
#pragma once

#include <cstdint>

namespace bsd {

// Message flags, with WinSock's values.
constexpr int kMsgOob = 0x1;
constexpr int kMsgPeek = 0x2;
constexpr int kMsgDontRoute = 0x4;

enum class Option { Broadcast, ReuseAddress, KeepAlive, SendBuffer, ReceiveBuffer, NoDelay };

struct PollEntry {
    int socket;
    bool wantRead, wantWrite, wantExcept;
    bool readable, writable, exceptional;
};

// A new IPv4 socket (close-on-exec); WSAEMFILE at the stack's socket limit.
int open(bool stream);
int close(int s);

int bind(int s, const void* address);
int connect(int s, const void* address);
int listen(int s, int backlog);
// At the socket limit the pending connection is taken and dropped at once, so that it does
// not stay queued, and the call fails with WSAEMFILE.
int accept(int s, void* address);

int send(int s, const void* bytes, int length, int flags);
int receive(int s, void* buffer, int length, int flags);
int sendTo(int s, const void* bytes, int length, int flags, const void* address);
int receiveFrom(int s, void* buffer, int length, int flags, void* address);

// Answers the number of entries that are ready; timeoutMs -1 waits without limit.
int poll(PollEntry* entries, int count, int timeoutMs);

int localAddress(int s, void* address);
int peerAddress(int s, void* address);

int setOption(int s, Option option, int value);
// The host interface a datagram socket is to belong to when it is bound to the any-address
// (see TOV_SO_INTERFACE); WSAEINVAL for a stream socket or one bound already.
int setInterface(int s, const char* name);
int setLinger(int s, bool on, int seconds);
int setTimeout(int s, bool receive, std::uint32_t milliseconds);
int setNonBlocking(int s, bool on);
// how: 0 receiving, 1 sending, 2 both (WinSock's values).
int shutdown(int s, int how);
int bytesReadable(int s, std::uint32_t* count);

int hostName(char* name, int length);
// Address in network order; WSAHOST_NOT_FOUND when the name is not known.
int resolve(const char* name, std::uint32_t* address);
// inet_aton's forms; false when the text is not an address.
bool parseAddress(const char* text, std::uint32_t* address);

void setMaxSockets(int limit);
int maxSockets();
int openSockets();

}  // namespace bsd
