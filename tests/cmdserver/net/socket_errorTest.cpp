#include "cmdserver/net/socket_error.h"

#include <gtest/gtest.h>

#include "kernel/net/WinSock.h"

namespace rx_fwk {
namespace {

TEST(socket_error, TranslatesBothWays) {
    struct Row {
        int portable;
        int winsock;
    } rows[] = {
        {SockErrInvalidArgument, WSAEINVAL},
        {SockErrNetworkDown, WSAENETDOWN},
        {SockErrNotConnected, WSAENOTCONN},
        {SockErrTooManySockets, WSAEMFILE},
        {SockErrProtocolNotSupported, WSAEPROTONOSUPPORT},
        {SockErrAddressInUse, WSAEADDRINUSE},
        {SockErrAddressNotAvailable, WSAEADDRNOTAVAIL},
        {SockErrNotASocket, WSAENOTSOCK},
        {SockErrTimedOut, kSocketTimeoutCode},
        {SockErrMessageTooLarge, WSAEMSGSIZE},
        {SockErrWouldBlock, WSAEWOULDBLOCK},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.portable);
        EXPECT_EQ(socket_error::toPortable(row.winsock), row.portable);
        EXPECT_EQ(socket_error::toWinSock(row.portable), row.winsock);
    }
    // Without a row: "other" one way, WSAEINVAL the other; 6 is for setting only.
    EXPECT_EQ(socket_error::toPortable(WSAECONNRESET), SockErrOther);
    EXPECT_EQ(socket_error::toWinSock(SockErrOther), WSAEINVAL);
    EXPECT_EQ(socket_error::toWinSock(SockErrSettingOnly), WSAEINVAL);
    EXPECT_EQ(socket_error::toWinSock(99), WSAEINVAL);
}

TEST(socket_error, ReadsTheLastErrorUnlessGivenOne) {
    WSASetLastError(WSAEMSGSIZE);
    EXPECT_EQ(socket_error().code(), SockErrMessageTooLarge);
    EXPECT_EQ(socket_error(-1, false).code(), WSAEMSGSIZE);
    EXPECT_EQ(socket_error(WSAEADDRINUSE).code(), SockErrAddressInUse);

    setLastSocketError(SockErrTimedOut);
    EXPECT_EQ(WSAGetLastError(), kSocketTimeoutCode);
    EXPECT_EQ(socket_error().code(), SockErrTimedOut);
    setLastSocketError(WSAECONNRESET, true);
    EXPECT_EQ(WSAGetLastError(), WSAECONNRESET);
}

}  // namespace
}  // namespace rx_fwk
