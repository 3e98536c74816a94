// What the states that hold a socket share: the socket, its closing, waits and address
// buffers. Each state exposes only the operations it allows.
#pragma once

#include "cmdserver/net/BsdSockState.h"

namespace rx_fwk {

class OpenSockState : public BsdSockState {
public:
    SOCKET handle() const override { return socket_; }
    // The peer's address as accept reported it; otherAddress then answers it without
    // asking the stack.
    void rememberPeer(const sockaddr_in& peer);
    // Closes the socket unless a successor state took it over.
    ~OpenSockState() override;

protected:
    explicit OpenSockState(SOCKET s) : socket_(s) {}

    // Hands the socket to a successor state.
    SOCKET release();

    bool closeSocket(BsdSockStateRef& state);
    bool wait(bool forReading, long seconds, long microseconds);
    const sockaddr* ownAddress(int& length);
    const sockaddr* otherAddress(int& length);
    bool option(int level, int name, const void* value, int length);
    bool nonBlocking(bool on);

private:
    static constexpr int kAddressBufferSize = 256;

    SOCKET socket_;
    alignas(8) char local_[kAddressBufferSize] = {};
    alignas(8) char peer_[kAddressBufferSize] = {};
    bool peerKnown_ = false;
};

}  // namespace rx_fwk
