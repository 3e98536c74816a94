// The kernel's sockets: library start-up, the socket limit, datagram truncation and the
// controller's broadcast behaviour on sockets bound to an interface address.
#include "kernel/net/WinSock.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/PrivateNetwork.h"

namespace {

sockaddr_in address(const char* text, std::uint16_t port) {
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(port);
    a.sin_addr.s_addr = inet_addr(text);
    return a;
}

const sockaddr* raw(const sockaddr_in& a) {
    return reinterpret_cast<const sockaddr*>(&a);
}

class WinSockTest : public ::testing::Test {
protected:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &data), 0);
    }
    void TearDown() override {
        for (SOCKET s : open_) {
            closesocket(s);
        }
        TovSetMaxSockets(64);
        WSACleanup();
    }
    SOCKET track(SOCKET s) {
        if (s != INVALID_SOCKET) {
            open_.push_back(s);
        }
        return s;
    }
    SOCKET udpBoundTo(const char* text, std::uint16_t port) {
        SOCKET s = track(socket(AF_INET, SOCK_DGRAM, 0));
        sockaddr_in a = address(text, port);
        EXPECT_EQ(bind(s, raw(a), sizeof a), 0) << WSAGetLastError();
        int on = 1;
        setsockopt(s, SOL_SOCKET, SO_BROADCAST, reinterpret_cast<const char*>(&on), sizeof on);
        return s;
    }
    bool readable(SOCKET s, long milliseconds) {
        WSAFDSET set;
        WSAFD_ZERO(&set);
        WSAFD_SET(s, &set);
        TIMEVAL t{milliseconds / 1000, (milliseconds % 1000) * 1000};
        return select(0, &set, nullptr, nullptr, &t) == 1 && WSAFD_ISSET(s, &set);
    }
    std::vector<SOCKET> open_;
};

TEST_F(WinSockTest, SocketsNeedTheLibraryStarted) {
    ASSERT_EQ(WSACleanup(), 0);
    WSASetLastError(0);
    EXPECT_EQ(socket(AF_INET, SOCK_DGRAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSANOTINITIALISED);
    WSADATA data;
    EXPECT_EQ(WSAStartup(MAKEWORD(1, 0), &data), WSAVERNOTSUPPORTED);
    ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
}

TEST_F(WinSockTest, TheSocketLimitRefusesWithEmfileAndFreesOnClose) {
    const int base = TovOpenSocketCount();
    TovSetMaxSockets(base + 2);
    SOCKET a = track(socket(AF_INET, SOCK_DGRAM, 0));
    SOCKET b = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_NE(a, INVALID_SOCKET);
    ASSERT_NE(b, INVALID_SOCKET);
    WSASetLastError(0);
    EXPECT_EQ(socket(AF_INET, SOCK_DGRAM, 0), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAEMFILE);
    EXPECT_EQ(closesocket(b), 0);
    EXPECT_EQ(closesocket(b), SOCKET_ERROR);  // already gone
    EXPECT_EQ(WSAGetLastError(), WSAENOTSOCK);
    EXPECT_NE(track(socket(AF_INET, SOCK_DGRAM, 0)), INVALID_SOCKET);
}

TEST_F(WinSockTest, AcceptAtTheLimitDropsTheConnection) {
    SOCKET listener = track(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in a = address("127.0.0.1", 0);
    ASSERT_EQ(bind(listener, raw(a), sizeof a), 0);
    ASSERT_EQ(listen(listener, 5), 0);
    int length = sizeof a;
    ASSERT_EQ(getsockname(listener, reinterpret_cast<sockaddr*>(&a), &length), 0);
    SOCKET client = track(socket(AF_INET, SOCK_STREAM, 0));
    ASSERT_EQ(connect(client, raw(a), sizeof a), 0);

    TovSetMaxSockets(TovOpenSocketCount());
    EXPECT_EQ(accept(listener, nullptr, nullptr), INVALID_SOCKET);
    EXPECT_EQ(WSAGetLastError(), WSAEMFILE);
    // The refused connection is gone, not left queued for the next select.
    char byte;
    EXPECT_LE(recv(client, &byte, 1, 0), 0);
    EXPECT_FALSE(readable(listener, 50));
}

TEST_F(WinSockTest, TruncatedDatagramFailsWithMessageTooLarge) {
    LBTEST_REQUIRE_PRIVATE_NETWORK();
    SOCKET to = udpBoundTo("127.0.0.1", 40001);
    SOCKET from = udpBoundTo("127.0.0.1", 40002);
    std::vector<char> big(600, 'x');
    sockaddr_in target = address("127.0.0.1", 40001);
    ASSERT_EQ(sendto(from, big.data(), 600, 0, raw(target), sizeof target), 600);
    char buffer[512];
    sockaddr_in sender{};
    int length = sizeof sender;
    EXPECT_EQ(recvfrom(to, buffer, sizeof buffer, 0, reinterpret_cast<sockaddr*>(&sender), &length),
              SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEMSGSIZE);
    EXPECT_EQ(ntohs(sender.sin_port), 40002);
}

TEST_F(WinSockTest, AReceiveTimeOutEndsTheWaitWithTimedOut) {
    LBTEST_REQUIRE_PRIVATE_NETWORK();
    SOCKET s = udpBoundTo("0.0.0.0", 40003);
    const DWORD wait = 50;
    ASSERT_EQ(
        setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&wait), sizeof wait),
        0);
    char buffer[8];
    EXPECT_EQ(recv(s, buffer, sizeof buffer, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAETIMEDOUT);
    // A non-blocking socket would have blocked instead.
    std::uint32_t nonBlocking = 1;
    ASSERT_EQ(ioctlsocket(s, FIONBIO, &nonBlocking), 0);
    EXPECT_EQ(recv(s, buffer, sizeof buffer, 0), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);
}

// A socket bound to an interface address hears the limited broadcasts of that interface,
// sends them out of it without any route, and never sees another interface's broadcasts.
TEST_F(WinSockTest, InterfaceBoundSocketsKeepToTheirInterface) {
    LBTEST_REQUIRE_PRIVATE_NETWORK();
    ASSERT_TRUE(lbtest::inPrivateNetwork(
        "ip link add lbws0 type veth peer name lbws1 && ip addr add 10.9.9.1/24 dev lbws0 && "
        "ip link set lbws0 up && ip link set lbws1 up"));
    SOCKET onLoopback = udpBoundTo("127.0.0.1", 40010);
    SOCKET onVeth = udpBoundTo("10.9.9.1", 40010 + 1);
    SOCKET sender = udpBoundTo("127.0.0.1", 40020);

    // getsockname tells the asked-for address, not the any-address underneath.
    sockaddr_in own{};
    int length = sizeof own;
    ASSERT_EQ(getsockname(onVeth, reinterpret_cast<sockaddr*>(&own), &length), 0);
    EXPECT_STREQ(inet_ntoa(own.sin_addr), "10.9.9.1");

    const char hello[] = "hello";
    for (std::uint16_t port : {40010, 40011}) {
        sockaddr_in all = address("255.255.255.255", port);
        ASSERT_EQ(sendto(sender, hello, 5, 0, raw(all), sizeof all), 5) << WSAGetLastError();
    }
    ASSERT_TRUE(readable(onLoopback, 2000));
    char buffer[16];
    EXPECT_EQ(recvfrom(onLoopback, buffer, sizeof buffer, 0, nullptr, nullptr), 5);
    // The broadcast left through loopback; select drops it for the veth's socket.
    EXPECT_FALSE(readable(onVeth, 200));
    std::uint32_t nonBlocking = 1;
    ASSERT_EQ(ioctlsocket(onVeth, FIONBIO, &nonBlocking), 0);
    EXPECT_EQ(recvfrom(onVeth, buffer, sizeof buffer, 0, nullptr, nullptr), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEWOULDBLOCK);

    // Unicast to the bound address still arrives.
    sockaddr_in direct = address("10.9.9.1", 40011);
    ASSERT_EQ(sendto(sender, hello, 5, 0, raw(direct), sizeof direct), 5);
    EXPECT_TRUE(readable(onVeth, 2000));
}

TEST_F(WinSockTest, BindToAnAddressNoInterfaceHasFails) {
    LBTEST_REQUIRE_PRIVATE_NETWORK();
    SOCKET s = track(socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in a = address("10.200.1.1", 40030);
    EXPECT_EQ(bind(s, raw(a), sizeof a), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEADDRNOTAVAIL);
}

TEST(WinSockNames, AddressesAndNames) {
    EXPECT_EQ(inet_addr("192.168.0.1"), htonl(0xC0A80001));
    EXPECT_EQ(inet_addr("not an address"), INADDR_NONE);
    EXPECT_EQ(inet_addr(""), INADDR_NONE);
    in_addr a{htonl(0x0A000102)};
    EXPECT_STREQ(inet_ntoa(a), "10.0.1.2");
    const hostent* local = gethostbyname("localhost");
    ASSERT_NE(local, nullptr);
    std::uint32_t first;
    std::memcpy(&first, local->h_addr_list[0], 4);
    EXPECT_EQ(first, htonl(INADDR_LOOPBACK));
    // No resolver is configured: other names are not found (and nothing is asked).
    EXPECT_EQ(gethostbyname("controller.invalid"), nullptr);
    EXPECT_EQ(WSAGetLastError(), WSAHOST_NOT_FOUND);
    char name[256];
    EXPECT_EQ(gethostname(name, sizeof name), 0);
    EXPECT_NE(gethostbyname(name), nullptr);
    EXPECT_EQ(gethostname(name, 1), SOCKET_ERROR);
    EXPECT_EQ(WSAGetLastError(), WSAEFAULT);
}

}  // namespace
