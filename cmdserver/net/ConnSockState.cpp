#include "cmdserver/net/ConnSockState.h"

namespace rx_fwk {

int ConnSockState::send(const void* bytes, int length, int flags) {
    return ::send(handle(), static_cast<const char*>(bytes), length, flags);
}

int ConnSockState::receive(void* buffer, int length, int flags, BsdSockStateRef& state) {
    int got = ::recv(handle(), static_cast<char*>(buffer), length, flags);
    if (got == 0 && length > 0) {
        closeSocket(state);  // destroys this state
    }
    return got;
}

}  // namespace rx_fwk
