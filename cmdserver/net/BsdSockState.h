// The state of a socket wrapper: what the socket may do now. Every operation of
// BsdSockBase is forwarded to its current state, which may replace itself through the
// reference it is given. This base refuses everything and sets no error code.
#pragma once

#include <memory>

#include "kernel/net/WinSock.h"

namespace rx_fwk {

class BsdSockState;
using BsdSockStateRef = std::unique_ptr<BsdSockState>;

class BsdSockState {
public:
    virtual SOCKET handle() const { return INVALID_SOCKET; }
    virtual ~BsdSockState() = default;
    virtual bool open(int /*family*/, int /*type*/, int /*protocol*/, BsdSockStateRef&) {
        return false;
    }
    virtual bool bind(const sockaddr*, int, BsdSockStateRef&) { return false; }
    virtual bool connect(const sockaddr*, int, BsdSockStateRef&) { return false; }
    virtual int sendTo(const void*, int, int, const sockaddr*, int) { return -1; }
    virtual int receiveFrom(void*, int, int, sockaddr*, int*) { return -1; }
    virtual int send(const void*, int, int) { return -1; }
    virtual int receive(void*, int, int, BsdSockStateRef&) { return -1; }
    virtual bool listen(int, BsdSockStateRef&) { return false; }
    // A connected state for the accepted socket, or none.
    virtual BsdSockStateRef accept() { return nullptr; }
    virtual bool waitReadable(long /*seconds*/, long /*microseconds*/) { return false; }
    virtual bool waitWritable(long /*seconds*/, long /*microseconds*/) { return false; }
    virtual bool close(BsdSockStateRef&) { return false; }
    // The address lives in the state; `length` is set to the buffer's size.
    virtual const sockaddr* localAddress(int& /*length*/) { return nullptr; }
    virtual const sockaddr* peerAddress(int& /*length*/) { return nullptr; }
    virtual bool setOption(int /*level*/, int /*name*/, const void*, int) { return false; }
    virtual bool setNonBlocking(bool) { return false; }

protected:
    BsdSockState() = default;
    BsdSockState(const BsdSockState&) = delete;
    BsdSockState& operator=(const BsdSockState&) = delete;
};

}  // namespace rx_fwk
