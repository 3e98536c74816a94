#include "cmdserver/net/ListenSockState.h"

#include "cmdserver/net/ConnSockState.h"
#include "cmdserver/net/SocketLibrary.h"

namespace rx_fwk {

BsdSockStateRef ListenSockState::accept() {
    SOCKET s = SocketLibrary::instance().acceptSocket(handle(), nullptr, nullptr);
    if (s == INVALID_SOCKET) {
        return nullptr;
    }
    return std::make_unique<ConnSockState>(s);
}

}  // namespace rx_fwk
