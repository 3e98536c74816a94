// Blocking receive and send on a stream socket with a deadline.
#pragma once

#include "cmdserver/net/BsdSockBase.h"

namespace rx_fwk {

// No deadline: wait as long as the socket does.
constexpr int kNoDeadline = -1;

// What a receive that finds the peer closed does with the socket: the connected state closes
// it (the wrappers' rule), or it stays open for its owner, so that another thread may still
// shut it down without meeting a handle number the stack has handed out again.
enum class OnPeerClose { CloseSocket, KeepOpen };

// Receives at least `minimum` and at most `maximum` bytes. Answers the count (less than
// `minimum` when the deadline passed after some bytes); -1 with the time-out code 10 when
// nothing came in time; the 0 or -1 of a failed receive when nothing came before it. A
// request for no bytes fails with code 1.
int receiveWithDeadline(BsdSockBase& socket, void* buffer, int minimum, int maximum, int seconds,
                        int milliseconds, OnPeerClose onPeerClose = OnPeerClose::CloseSocket);

// Sends all `length` bytes, with the same answers.
int sendWithDeadline(BsdSockBase& socket, const void* bytes, int length, int seconds,
                     int milliseconds);

}  // namespace rx_fwk
