#include "cmdserver/net/SocketLibrary.h"

namespace rx_fwk {

SocketLibrary& SocketLibrary::instance() {
    // Created once under the language's own initialisation lock; kept until the restart.
    static SocketLibrary* library = new SocketLibrary();
    return *library;
}

SocketLibrary::SocketLibrary() { InitializeCriticalSection(&lock_); }

SOCKET SocketLibrary::counted(SOCKET made) {
    if (made != INVALID_SOCKET) {
        ++count_;
    }
    LeaveCriticalSection(&lock_);
    return made;
}

SOCKET SocketLibrary::openSocket(int family, int type, int protocol) {
    EnterCriticalSection(&lock_);
    if (!started_) {
        WSADATA data;
        int error = WSAStartup(MAKEWORD(1, 1), &data);
        if (error != 0) {
            LeaveCriticalSection(&lock_);
            WSASetLastError(error);
            return INVALID_SOCKET;
        }
        started_ = true;
    }
    return counted(socket(family, type, protocol));
}

SOCKET SocketLibrary::acceptSocket(SOCKET listener, sockaddr* address, int* length) {
    EnterCriticalSection(&lock_);
    if (!started_) {
        // A listener exists only while the library runs; nothing to accept otherwise.
        LeaveCriticalSection(&lock_);
        WSASetLastError(WSANOTINITIALISED);
        return INVALID_SOCKET;
    }
    return counted(accept(listener, address, length));
}

bool SocketLibrary::closeSocket(SOCKET s) {
    bool closed = closesocket(s) == 0;
    EnterCriticalSection(&lock_);
    if (count_ > 0 && --count_ == 0 && started_) {
        started_ = false;
        WSACleanup();
    }
    LeaveCriticalSection(&lock_);
    return closed;
}

int SocketLibrary::openCount() {
    EnterCriticalSection(&lock_);
    int n = count_;
    LeaveCriticalSection(&lock_);
    return n;
}

}  // namespace rx_fwk
