#include "cmdserver/net/OpenSockState.h"

#include <cstring>

#include "cmdserver/net/InitialState.h"
#include "cmdserver/net/SocketLibrary.h"

namespace rx_fwk {

OpenSockState::~OpenSockState() {
    if (socket_ != INVALID_SOCKET) {
        SocketLibrary::instance().closeSocket(socket_);
    }
}

SOCKET OpenSockState::release() {
    SOCKET s = socket_;
    socket_ = INVALID_SOCKET;
    return s;
}

bool OpenSockState::closeSocket(BsdSockStateRef& state) {
    bool closed = SocketLibrary::instance().closeSocket(release());
    state = std::make_unique<InitialState>();  // destroys this state
    return closed;
}

bool OpenSockState::wait(bool forReading, long seconds, long microseconds) {
    WSAFDSET set;
    WSAFD_ZERO(&set);
    WSAFD_SET(socket_, &set);
    TIMEVAL timeout{seconds, microseconds};
    int ready = forReading ? select(0, &set, nullptr, nullptr, &timeout)
                           : select(0, nullptr, &set, nullptr, &timeout);
    return ready > 0 && WSAFD_ISSET(socket_, &set);
}

const sockaddr* OpenSockState::ownAddress(int& length) {
    length = kAddressBufferSize;
    int got = kAddressBufferSize;
    auto* address = reinterpret_cast<sockaddr*>(local_);
    return getsockname(socket_, address, &got) == 0 ? address : nullptr;
}

void OpenSockState::rememberPeer(const sockaddr_in& peer) {
    std::memcpy(peer_, &peer, sizeof peer);
    peerKnown_ = true;
}

const sockaddr* OpenSockState::otherAddress(int& length) {
    length = kAddressBufferSize;
    int got = kAddressBufferSize;
    auto* address = reinterpret_cast<sockaddr*>(peer_);
    return peerKnown_ || getpeername(socket_, address, &got) == 0 ? address : nullptr;
}

bool OpenSockState::option(int level, int name, const void* value, int length) {
    return setsockopt(socket_, level, name, static_cast<const char*>(value), length) == 0;
}

bool OpenSockState::nonBlocking(bool on) {
    std::uint32_t argument = on ? 1 : 0;
    return ioctlsocket(socket_, FIONBIO, &argument) == 0;
}

}  // namespace rx_fwk
