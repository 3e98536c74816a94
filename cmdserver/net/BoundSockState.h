// A bound socket: datagrams flow; a stream socket can listen or connect from here.
#pragma once

#include "cmdserver/net/OpenSockState.h"

namespace rx_fwk {

class BoundSockState final : public OpenSockState {
public:
    explicit BoundSockState(SOCKET s) : OpenSockState(s) {}

    bool connect(const sockaddr* address, int length, BsdSockStateRef& state) override;
    int sendTo(const void* bytes, int length, int flags, const sockaddr* to,
               int toLength) override;
    int receiveFrom(void* buffer, int length, int flags, sockaddr* from,
                    int* fromLength) override;
    bool listen(int backlog, BsdSockStateRef& state) override;
    bool waitReadable(long seconds, long microseconds) override {
        return wait(true, seconds, microseconds);
    }
    bool waitWritable(long seconds, long microseconds) override {
        return wait(false, seconds, microseconds);
    }
    bool close(BsdSockStateRef& state) override { return closeSocket(state); }
    const sockaddr* localAddress(int& length) override { return ownAddress(length); }
    bool setOption(int level, int name, const void* value, int length) override {
        return option(level, name, value, length);
    }
    bool setNonBlocking(bool on) override { return nonBlocking(on); }
};

}  // namespace rx_fwk
