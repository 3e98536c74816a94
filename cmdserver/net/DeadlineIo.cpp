#include "cmdserver/net/DeadlineIo.h"

#include "cmdserver/net/socket_error.h"
#include "kernel/time/Time.h"

namespace rx_fwk {
namespace {

enum class Direction { In, Out };

// The common loop: moves bytes until `minimum` have gone, the deadline passes or a
// transfer fails.
int transfer(BsdSockBase& socket, Direction direction, char* bytes, int minimum, int maximum,
             int seconds, int milliseconds, OnPeerClose onPeerClose) {
    if (minimum <= 0 || maximum <= 0) {
        setLastSocketError(SockErrInvalidArgument);
        return -1;
    }
    auto move = [&](int done) {
        if (direction == Direction::Out) {
            return socket.send(bytes + done, maximum - done, 0);
        }
        // The plain receive leaves the state, and so the socket, as it is.
        return onPeerClose == OnPeerClose::KeepOpen
                   ? recv(socket.handle(), bytes + done, maximum - done, 0)
                   : socket.receive(bytes + done, maximum - done, 0);
    };
    int total = 0;
    if (seconds == kNoDeadline) {
        while (total < minimum) {
            int got = move(total);
            if (got <= 0) {
                return total > 0 ? total : got;
            }
            total += got;
        }
        return total;
    }
    const DWORD start = GetTickCount();
    const DWORD span = static_cast<DWORD>(seconds) * 1000 + static_cast<DWORD>(milliseconds);
    while (total < minimum) {
        DWORD spent = GetTickCount() - start;
        if (spent >= span) {
            break;
        }
        DWORD left = span - spent;
        long waitSeconds = static_cast<long>(left / 1000);
        long waitMicroseconds = static_cast<long>(left % 1000) * 1000;
        bool ready = direction == Direction::In
                         ? socket.waitReadable(waitSeconds, waitMicroseconds)
                         : socket.waitWritable(waitSeconds, waitMicroseconds);
        if (!ready) {
            break;
        }
        int got = move(total);
        if (got <= 0) {
            return total > 0 ? total : got;
        }
        total += got;
    }
    if (total == 0) {
        setLastSocketError(SockErrTimedOut);
        return -1;
    }
    return total;
}

}  // namespace

int receiveWithDeadline(BsdSockBase& socket, void* buffer, int minimum, int maximum, int seconds,
                        int milliseconds, OnPeerClose onPeerClose) {
    return transfer(socket, Direction::In, static_cast<char*>(buffer), minimum, maximum, seconds,
                    milliseconds, onPeerClose);
}

int sendWithDeadline(BsdSockBase& socket, const void* bytes, int length, int seconds,
                     int milliseconds) {
    return transfer(socket, Direction::Out, static_cast<char*>(const_cast<void*>(bytes)), length,
                    length, seconds, milliseconds, OnPeerClose::CloseSocket);
}

}  // namespace rx_fwk
