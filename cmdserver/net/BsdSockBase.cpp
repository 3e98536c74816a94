#include "cmdserver/net/BsdSockBase.h"

#include "cmdserver/net/InitialState.h"

namespace rx_fwk {

BsdSockBase::BsdSockBase() : state_(std::make_unique<InitialState>()) {}

BsdSockBase::BsdSockBase(BsdSockStateRef state)
    : state_(state ? std::move(state) : std::make_unique<InitialState>()) {}

BsdSockBase::~BsdSockBase() {
    state_->close(state_);
}

}  // namespace rx_fwk
