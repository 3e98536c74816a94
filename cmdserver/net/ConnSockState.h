// A connected stream socket.
#pragma once

#include "cmdserver/net/OpenSockState.h"

namespace rx_fwk {

class ConnSockState final : public OpenSockState {
public:
    explicit ConnSockState(SOCKET s) : OpenSockState(s) {}

    int send(const void* bytes, int length, int flags) override;
    // The peer's close (0 bytes for a non-zero request) closes the socket: the wrapper
    // returns to InitialState.
    int receive(void* buffer, int length, int flags, BsdSockStateRef& state) override;
    bool waitReadable(long seconds, long microseconds) override {
        return wait(true, seconds, microseconds);
    }
    bool waitWritable(long seconds, long microseconds) override {
        return wait(false, seconds, microseconds);
    }
    bool close(BsdSockStateRef& state) override { return closeSocket(state); }
    const sockaddr* localAddress(int& length) override { return ownAddress(length); }
    const sockaddr* peerAddress(int& length) override { return otherAddress(length); }
    bool setNonBlocking(bool on) override { return nonBlocking(on); }
};

}  // namespace rx_fwk
