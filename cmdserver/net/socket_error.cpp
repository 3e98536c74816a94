#include "cmdserver/net/socket_error.h"

#include <cstdio>

#include "kernel/net/WinSock.h"

namespace rx_fwk {
namespace {

struct Row {
    int portable;
    int winsock;
};

// Portable code 6 exists only for setting (it shares WSAEINVAL with code 1).
const Row kRows[] = {
    {SockErrInvalidArgument, WSAEINVAL},
    {SockErrNetworkDown, WSAENETDOWN},
    {SockErrNotConnected, WSAENOTCONN},
    {SockErrTooManySockets, WSAEMFILE},
    {SockErrProtocolNotSupported, WSAEPROTONOSUPPORT},
    {SockErrSettingOnly, WSAEINVAL},
    {SockErrAddressInUse, WSAEADDRINUSE},
    {SockErrAddressNotAvailable, WSAEADDRNOTAVAIL},
    {SockErrNotASocket, WSAENOTSOCK},
    {SockErrTimedOut, kSocketTimeoutCode},
    {SockErrMessageTooLarge, WSAEMSGSIZE},
    {SockErrWouldBlock, WSAEWOULDBLOCK},
};

}  // namespace

int socket_error::toPortable(int winsockCode) {
    for (const Row& row : kRows) {
        if (row.winsock == winsockCode) {
            return row.portable;
        }
    }
    return SockErrOther;
}

int socket_error::toWinSock(int portableCode) {
    for (const Row& row : kRows) {
        if (row.portable == portableCode) {
            return row.winsock;
        }
    }
    return WSAEINVAL;
}

socket_error::socket_error(int code, bool translate) {
    int raw = code == -1 ? WSAGetLastError() : code;
    code_ = translate ? toPortable(raw) : raw;
    std::snprintf(text_, sizeof text_, "socket error %d", code_);
}

void setLastSocketError(int code, bool raw) {
    WSASetLastError(raw ? code : socket_error::toWinSock(code));
}

}  // namespace rx_fwk
