// A listening stream socket over an address type.
#pragma once

#include <memory>

#include "cmdserver/net/BsdSockBase.h"
#include "cmdserver/net/stream_sock.h"

namespace rx_fwk {

template <class Address>
class stream_server : public BsdSockBase {
public:
    stream_server() { open(AF_INET, SOCK_STREAM, 0); }

    bool bind(const Address& address) {
        return BsdSockBase::bind(address.record(), Address::length());
    }
    // The accepted connection, or none with the last socket error set.
    std::unique_ptr<stream_sock<Address>> accept() {
        BsdSockStateRef connected = BsdSockBase::accept();
        if (!connected) {
            return nullptr;
        }
        return std::make_unique<stream_sock<Address>>(std::move(connected));
    }
};

}  // namespace rx_fwk
