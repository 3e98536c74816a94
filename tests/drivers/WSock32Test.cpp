// B:\wsock32.dll: the WinSock subset under its C names, for DLLs that import it; its sockets
// are the kernel's.
#include <gtest/gtest.h>

#include <cstring>

#include "kernel/base/LastError.h"
#include "kernel/module/Module.h"
#include "kernel/net/WinSock.h"

namespace {

template <class F>
F look(HMODULE module, const char* name) {
    return reinterpret_cast<F>(GetProcAddress(module, name));
}

TEST(WSock32, SocketsThroughTheModuleAreTheKernels) {
    HMODULE module = LoadLibraryA("B:\\wsock32.dll");
    ASSERT_NE(module, nullptr) << GetLastError();
    auto startup = look<int (*)(WORD, WSADATA*)>(module, "WSAStartup");
    auto cleanup = look<int (*)()>(module, "WSACleanup");
    auto open = look<SOCKET (*)(int, int, int)>(module, "socket");
    auto bindTo = look<int (*)(SOCKET, const sockaddr*, int)>(module, "bind");
    auto nameOf = look<int (*)(SOCKET, sockaddr*, int*)>(module, "getsockname");
    auto sendTo =
        look<int (*)(SOCKET, const char*, int, int, const sockaddr*, int)>(module, "sendto");
    auto receiveFrom = look<int (*)(SOCKET, char*, int, int, sockaddr*, int*)>(module, "recvfrom");
    auto wait =
        look<int (*)(int, WSAFDSET*, WSAFDSET*, WSAFDSET*, const TIMEVAL*)>(module, "select");
    auto isSet = look<int (*)(SOCKET, WSAFDSET*)>(module, "__WSAFDIsSet");
    auto close = look<int (*)(SOCKET)>(module, "closesocket");
    auto lastError = look<int (*)()>(module, "WSAGetLastError");
    auto toNet = look<std::uint16_t (*)(std::uint16_t)>(module, "htons");
    auto address = look<std::uint32_t (*)(const char*)>(module, "inet_addr");
    for (void* f : {(void*)startup, (void*)cleanup, (void*)open, (void*)bindTo, (void*)nameOf,
                    (void*)sendTo, (void*)receiveFrom, (void*)wait, (void*)isSet, (void*)close,
                    (void*)lastError, (void*)toNet, (void*)address}) {
        ASSERT_NE(f, nullptr);
    }
    // Only its own exports: nothing of the kernel leaks out under another name.
    EXPECT_EQ(GetProcAddress(module, "TovOpenSocketCount"), nullptr);

    WSADATA data{};
    ASSERT_EQ(startup(MAKEWORD(1, 1), &data), 0);
    const int before = TovOpenSocketCount();
    SOCKET s = open(AF_INET, SOCK_DGRAM, 0);
    ASSERT_NE(s, INVALID_SOCKET);
    EXPECT_EQ(TovOpenSocketCount(), before + 1);

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = address("127.0.0.1");
    ASSERT_EQ(bindTo(s, reinterpret_cast<sockaddr*>(&local), sizeof local), 0);
    int length = sizeof local;
    ASSERT_EQ(nameOf(s, reinterpret_cast<sockaddr*>(&local), &length), 0);
    EXPECT_NE(local.sin_port, 0);
    EXPECT_EQ(toNet(0x1234), 0x3412);

    ASSERT_EQ(sendTo(s, "hello", 5, 0, reinterpret_cast<sockaddr*>(&local), sizeof local), 5);
    WSAFDSET readable;
    WSAFD_ZERO(&readable);
    WSAFD_SET(s, &readable);
    const TIMEVAL second{1, 0};
    ASSERT_EQ(wait(0, &readable, nullptr, nullptr, &second), 1);
    EXPECT_EQ(isSet(s, &readable), 1);
    char buffer[16] = {};
    sockaddr_in from{};
    length = sizeof from;
    ASSERT_EQ(receiveFrom(s, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&from), &length),
              5);
    EXPECT_STREQ(buffer, "hello");
    EXPECT_EQ(close(s), 0);
    EXPECT_EQ(TovOpenSocketCount(), before);
    // The kernel's last error, seen through the module.
    EXPECT_EQ(close(s), SOCKET_ERROR);
    EXPECT_EQ(lastError(), WSAENOTSOCK);
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_EQ(cleanup(), 0);
    EXPECT_TRUE(FreeLibrary(module));
}

}  // namespace
