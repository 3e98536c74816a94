#include "cmdserver/net/InitialState.h"

#include "cmdserver/net/SocketLibrary.h"
#include "cmdserver/net/UninitSockState.h"

namespace rx_fwk {

bool InitialState::open(int family, int type, int protocol, BsdSockStateRef& state) {
    SOCKET s = SocketLibrary::instance().openSocket(family, type, protocol);
    if (s == INVALID_SOCKET) {
        return false;
    }
    state = std::make_unique<UninitSockState>(s);
    return true;
}

}  // namespace rx_fwk
