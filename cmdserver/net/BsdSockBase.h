// Base of the socket wrappers: forwards every operation to the current state object,
// which decides whether the operation is allowed and may replace itself.
#pragma once

#include "cmdserver/net/BsdSockState.h"

namespace rx_fwk {

class BsdSockBase {
public:
    // Without a socket (InitialState).
    BsdSockBase();
    // Takes over a state (an accepted connection).
    explicit BsdSockBase(BsdSockStateRef state);
    // Closes the socket.
    virtual ~BsdSockBase();
    BsdSockBase(const BsdSockBase&) = delete;
    BsdSockBase& operator=(const BsdSockBase&) = delete;

    SOCKET handle() const { return state_->handle(); }
    bool open(int family, int type, int protocol) {
        return state_->open(family, type, protocol, state_);
    }
    bool bind(const sockaddr* address, int length) { return state_->bind(address, length, state_); }
    bool connect(const sockaddr* address, int length) {
        return state_->connect(address, length, state_);
    }
    int sendTo(const void* bytes, int length, int flags, const sockaddr* to, int toLength) {
        return state_->sendTo(bytes, length, flags, to, toLength);
    }
    int receiveFrom(void* buffer, int length, int flags, sockaddr* from, int* fromLength) {
        return state_->receiveFrom(buffer, length, flags, from, fromLength);
    }
    int send(const void* bytes, int length, int flags) {
        return state_->send(bytes, length, flags);
    }
    int receive(void* buffer, int length, int flags) {
        return state_->receive(buffer, length, flags, state_);
    }
    bool listen(int backlog) { return state_->listen(backlog, state_); }
    BsdSockStateRef accept() { return state_->accept(); }
    bool waitReadable(long seconds, long microseconds) {
        return state_->waitReadable(seconds, microseconds);
    }
    bool waitWritable(long seconds, long microseconds) {
        return state_->waitWritable(seconds, microseconds);
    }
    bool close() { return state_->close(state_); }
    const sockaddr* localAddress(int& length) { return state_->localAddress(length); }
    const sockaddr* peerAddress(int& length) { return state_->peerAddress(length); }
    bool setOption(int level, int name, const void* value, int length) {
        return state_->setOption(level, name, value, length);
    }
    bool setNonBlocking(bool on) { return state_->setNonBlocking(on); }

    // The current state, for checks.
    const BsdSockState& state() const { return *state_; }

private:
    BsdSockStateRef state_;
};

}  // namespace rx_fwk
