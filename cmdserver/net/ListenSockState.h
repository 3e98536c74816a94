// A listening stream socket.
#pragma once

#include "cmdserver/net/OpenSockState.h"

namespace rx_fwk {

class ListenSockState final : public OpenSockState {
public:
    explicit ListenSockState(SOCKET s) : OpenSockState(s) {}

    BsdSockStateRef accept() override;
    bool waitReadable(long seconds, long microseconds) override {
        return wait(true, seconds, microseconds);
    }
    bool close(BsdSockStateRef& state) override { return closeSocket(state); }
    const sockaddr* localAddress(int& length) override { return ownAddress(length); }
};

}  // namespace rx_fwk
