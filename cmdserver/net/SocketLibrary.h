// The socket library guard: starts the WinSock library with the first socket and shuts it
// down with the last, counting the sockets in between.
#pragma once

#include "kernel/net/WinSock.h"
#include "kernel/threads/Sync.h"

namespace rx_fwk {

class SocketLibrary {
public:
    static SocketLibrary& instance();

    // INVALID_SOCKET on failure, with the last socket error set.
    SOCKET openSocket(int family, int type, int protocol);
    SOCKET acceptSocket(SOCKET listener, sockaddr* address, int* length);
    // Closes a socket that openSocket or acceptSocket made.
    bool closeSocket(SOCKET s);

    int openCount();

private:
    SocketLibrary();
    SOCKET counted(SOCKET made);

    CRITICAL_SECTION lock_;
    int count_ = 0;
    bool started_ = false;
};

}  // namespace rx_fwk
