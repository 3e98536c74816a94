#include "kernel/net/posix/WinSockErrorTable.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "kernel/base/LastError.h"
#include "kernel/net/WinSockErrors.h"

namespace {

TEST(WinSockErrorTable, TranslatesErrnoOnce) {
    struct Row {
        int error;
        int wsa;
    } rows[] = {
        {EAGAIN, WSAEWOULDBLOCK},
        {EINPROGRESS, WSAEWOULDBLOCK},
        {EMSGSIZE, WSAEMSGSIZE},
        {EADDRINUSE, WSAEADDRINUSE},
        {EADDRNOTAVAIL, WSAEADDRNOTAVAIL},
        {ECONNRESET, WSAECONNRESET},
        {EPIPE, WSAECONNRESET},
        {ENOTCONN, WSAENOTCONN},
        {EMFILE, WSAEMFILE},
        {EBADF, WSAENOTSOCK},
        {ENETUNREACH, WSAENETUNREACH},
        {EACCES, WSAEACCES},
        {EPROTONOSUPPORT, WSAEPROTONOSUPPORT},
        {ENOMEM, WSAENOBUFS},
        {EIO, WSAEINVAL},  // no WinSock counterpart
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.error);
        EXPECT_EQ(wsaErrorFromErrno(row.error), row.wsa);
    }
}

TEST(WinSockErrorTable, FailureHelpersLeaveTheCodeAsLastError) {
    SetLastError(0xdeadbeef);
    errno = ECONNREFUSED;
    EXPECT_EQ(failWithErrno(), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(WSAECONNREFUSED));
    EXPECT_EQ(failWith(WSAEMFILE), -1);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(WSAEMFILE));
}

}  // namespace
