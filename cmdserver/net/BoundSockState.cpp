#include "cmdserver/net/BoundSockState.h"

#include "cmdserver/net/ConnSockState.h"
#include "cmdserver/net/ListenSockState.h"

namespace rx_fwk {

bool BoundSockState::connect(const sockaddr* address, int length, BsdSockStateRef& state) {
    if (::connect(handle(), address, length) != 0) {
        return false;
    }
    state = std::make_unique<ConnSockState>(release());
    return true;
}

int BoundSockState::sendTo(const void* bytes, int length, int flags, const sockaddr* to,
                           int toLength) {
    return ::sendto(handle(), static_cast<const char*>(bytes), length, flags, to, toLength);
}

int BoundSockState::receiveFrom(void* buffer, int length, int flags, sockaddr* from,
                                int* fromLength) {
    return ::recvfrom(handle(), static_cast<char*>(buffer), length, flags, from, fromLength);
}

bool BoundSockState::listen(int backlog, BsdSockStateRef& state) {
    if (::listen(handle(), backlog) != 0) {
        return false;
    }
    state = std::make_unique<ListenSockState>(release());
    return true;
}

}  // namespace rx_fwk
