// A wrapper without a socket: it can only open one.
#pragma once

#include "cmdserver/net/BsdSockState.h"

namespace rx_fwk {

class InitialState final : public BsdSockState {
public:
    // Becomes UninitSockState when the socket is made.
    bool open(int family, int type, int protocol, BsdSockStateRef& state) override;
};

}  // namespace rx_fwk
