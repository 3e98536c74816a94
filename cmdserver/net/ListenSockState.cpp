#include "cmdserver/net/ListenSockState.h"

#include "cmdserver/net/ConnSockState.h"
#include "cmdserver/net/SocketLibrary.h"

namespace rx_fwk {

BsdSockStateRef ListenSockState::accept() {
    sockaddr_in peer{};
    int length = sizeof peer;
    SOCKET s = SocketLibrary::instance().acceptSocket(handle(), reinterpret_cast<sockaddr*>(&peer),
                                                      &length);
    if (s == INVALID_SOCKET) {
        return nullptr;
    }
    // The peer is known from here on: no need to ask the stack again.
    auto connected = std::make_unique<ConnSockState>(s);
    connected->rememberPeer(peer);
    return connected;
}

}  // namespace rx_fwk
