#include "cmdserver/net/UninitSockState.h"

#include "cmdserver/net/BoundSockState.h"
#include "cmdserver/net/ConnSockState.h"

namespace rx_fwk {

bool UninitSockState::bind(const sockaddr* address, int length, BsdSockStateRef& state) {
    if (::bind(handle(), address, length) != 0) {
        return false;
    }
    state = std::make_unique<BoundSockState>(release());
    return true;
}

bool UninitSockState::connect(const sockaddr* address, int length, BsdSockStateRef& state) {
    if (::connect(handle(), address, length) != 0) {
        return false;
    }
    state = std::make_unique<ConnSockState>(release());
    return true;
}

}  // namespace rx_fwk
