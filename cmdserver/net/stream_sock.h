// A connected stream socket over an address type, with deadline transfers.
#pragma once

#include <cstring>

#include "cmdserver/net/BsdSockBase.h"
#include "cmdserver/net/DeadlineIo.h"

namespace rx_fwk {

template <class Address>
class stream_sock : public BsdSockBase {
public:
    // Unconnected: connect() makes the connection.
    stream_sock() { open(AF_INET, SOCK_STREAM, 0); }
    // Takes over an accepted connection.
    explicit stream_sock(BsdSockStateRef connected) : BsdSockBase(std::move(connected)) {}

    bool connect(const Address& address) {
        return BsdSockBase::connect(address.record(), Address::length());
    }

    // See DeadlineIo.h; seconds kNoDeadline waits without limit.
    int receive(void* buffer, int minimum, int maximum, int seconds, int milliseconds,
                OnPeerClose onPeerClose = OnPeerClose::CloseSocket) {
        return receiveWithDeadline(*this, buffer, minimum, maximum, seconds, milliseconds,
                                   onPeerClose);
    }
    int send(const void* bytes, int length, int seconds, int milliseconds) {
        return sendWithDeadline(*this, bytes, length, seconds, milliseconds);
    }

    // The peer's address; the any-address when the socket has none.
    Address peer() {
        int length = 0;
        const sockaddr* address = peerAddress(length);
        sockaddr_in record{};
        if (address != nullptr) {
            std::memcpy(&record, address, sizeof record);
        }
        return Address(record);
    }
};

}  // namespace rx_fwk
