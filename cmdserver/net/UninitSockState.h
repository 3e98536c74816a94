// A socket that is neither bound nor connected.
#pragma once

#include "cmdserver/net/OpenSockState.h"

namespace rx_fwk {

class UninitSockState final : public OpenSockState {
public:
    explicit UninitSockState(SOCKET s) : OpenSockState(s) {}

    bool bind(const sockaddr* address, int length, BsdSockStateRef& state) override;
    bool connect(const sockaddr* address, int length, BsdSockStateRef& state) override;
    bool close(BsdSockStateRef& state) override { return closeSocket(state); }
    bool setOption(int level, int name, const void* value, int length) override {
        return option(level, name, value, length);
    }
    bool setNonBlocking(bool on) override { return nonBlocking(on); }
};

}  // namespace rx_fwk
