// A datagram socket over an address type (this system uses ip_address).
#pragma once

#include "cmdserver/net/BsdSockBase.h"

namespace rx_fwk {

template <class Address>
class dgram_sock : public BsdSockBase {
public:
    // Opened at once; a failure leaves the wrapper in InitialState with the error stored,
    // so that the following bind fails and reports it.
    dgram_sock() { open(AF_INET, SOCK_DGRAM, 0); }

    bool bind(const Address& address) {
        return BsdSockBase::bind(address.record(), Address::length());
    }
    int sendTo(const void* bytes, int length, const Address& to) {
        return BsdSockBase::sendTo(bytes, length, 0, to.record(), Address::length());
    }
    int receiveFrom(void* buffer, int length, Address& from) {
        int fromLength = Address::length();
        return BsdSockBase::receiveFrom(buffer, length, 0, from.record(), &fromLength);
    }
};

}  // namespace rx_fwk
