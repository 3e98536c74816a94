// The TCP listener on port 44516, in a network namespace of the test's own: it serves
// connections, cleans up after them, outlives a peer that exhausts the socket limit, keeps
// sockets for the rest of the controller, and stops its clients all at once.
#include "cmdserver/TCPSocket.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "cmdserver/TransportLimits.h"
#include "cmdserver/UDPSocket.h"
#include "cmdserver/net/dgram_sock.h"
#include "cmdserver/net/sleep.h"
#include "cmdserver/net/stream_server.h"
#include "kernel/net/WinSock.h"
#include "tests/support/HostSockets.h"
#include "tests/support/Packets.h"
#include "tests/support/PrivateNetwork.h"
#include "tests/support/RecordingConsumer.h"

namespace rx_fwk {
namespace {

using lbtest::Bytes;

Bytes framedPing() {
    Bytes bytes = {0, 0, 0, 0xB8};
    Bytes ping = lbtest::requestBytes(CmdPing);
    bytes.insert(bytes.end(), ping.begin(), ping.end());
    return bytes;
}

bool served(lbtest::TcpPeer& peer) {
    return peer.connected() && peer.send(framedPing()) && peer.receive(188, 5000).has_value();
}

// Waits (bounded) until the image holds at most `count` sockets.
bool socketsDropTo(int count) {
    for (int waited = 0; waited < 8000; waited += 50) {
        if (TovOpenSocketCount() <= count) {
            return true;
        }
        mthread::sleep(50);
    }
    return false;
}

class TCPSocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        LBTEST_REQUIRE_PRIVATE_NETWORK();
        base_ = TovOpenSocketCount();
    }
    void TearDown() override { TovSetMaxSockets(64); }

    lbtest::RecordingConsumer consumer_;
    int base_ = 0;
};

TEST_F(TCPSocketTest, ServesEachConnectionAndSweepsFinishedOnes) {
    TCPSocket listener;
    listener.setConsumer(&consumer_);
    {
        lbtest::TcpPeer peer("127.0.0.1", kCommandTcpPort);
        ASSERT_TRUE(served(peer));
        EXPECT_EQ(consumer_.senders().front(), "127.0.0.1");
    }
    for (int i = 0; i < 50; ++i) {
        lbtest::TcpPeer peer("127.0.0.1", kCommandTcpPort);
        ASSERT_TRUE(peer.connected()) << i;
    }
    // Every client closed; the sweeps give back their sockets (the listener keeps one).
    EXPECT_TRUE(socketsDropTo(base_ + 1)) << TovOpenSocketCount();
}

// Connections up to the socket limit and beyond: UDP discovery is still answered, and the
// listener takes connections again once the flood has gone.
TEST_F(TCPSocketTest, AConnectionFloodDoesNotStopDiscoveryOrTheListener) {
    UDPSocket udp;
    udp.setConsumer(&consumer_);
    TCPSocket listener;
    listener.setConsumer(&consumer_);
    TovSetMaxSockets(base_ + 2 + 4);

    std::vector<std::unique_ptr<lbtest::TcpPeer>> flood;
    for (int i = 0; i < 30; ++i) {
        flood.push_back(std::make_unique<lbtest::TcpPeer>("127.0.0.1", kCommandTcpPort));
    }
    mthread::sleep(200);
    EXPECT_LE(TovOpenSocketCount(), base_ + 6);

    lbtest::UdpProbe host;
    ASSERT_TRUE(host.sendTo("127.0.0.1", kCommandUdpPort, lbtest::requestBytes(CmdPing)));
    auto reply = host.receive(3000);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->bytes[2], ACK);

    flood.clear();
    ASSERT_TRUE(socketsDropTo(base_ + 2));
    lbtest::TcpPeer later("127.0.0.1", kCommandTcpPort);
    EXPECT_TRUE(served(later));
}

// Clients stop at the socket limit less the reserve: a connection beyond is closed at once
// (not left in the backlog), the sockets of the firmware side connection and the host
// notification are still there, and a freed place is taken again.
TEST_F(TCPSocketTest, ClientsStayBelowTheSocketLimitAndTheReserveStaysFree) {
    constexpr int kClients = 4;
    ASSERT_EQ(base_, 0);  // the reserve is counted from nothing open
    TovSetMaxSockets(kTransportSocketReserve + kClients);
    ASSERT_EQ(TCPSocket::clientLimit(), kClients);
    UDPSocket udp;
    udp.setConsumer(&consumer_);
    TCPSocket listener;
    listener.setConsumer(&consumer_);

    std::vector<std::unique_ptr<lbtest::TcpPeer>> held;
    for (int i = 0; i < kClients; ++i) {
        held.push_back(std::make_unique<lbtest::TcpPeer>("127.0.0.1", kCommandTcpPort));
        ASSERT_TRUE(held.back()->connected()) << i;
    }
    for (int i = 0; i < 20; ++i) {
        lbtest::TcpPeer extra("127.0.0.1", kCommandTcpPort);
        ASSERT_TRUE(extra.connected()) << i;
        EXPECT_TRUE(extra.closedByPeer(3000)) << i;
    }
    for (auto& peer : held) {
        EXPECT_TRUE(served(*peer));
    }

    // Room for the firmware side connection (listener and connection) and the notification.
    {
        stream_server<ip_address> firmwareListener;
        stream_sock<ip_address> firmwareConnection;
        dgram_sock<ip_address> notification;
        EXPECT_NE(firmwareListener.handle(), INVALID_SOCKET);
        EXPECT_NE(firmwareConnection.handle(), INVALID_SOCKET);
        EXPECT_NE(notification.handle(), INVALID_SOCKET);
    }
    lbtest::UdpProbe host;
    ASSERT_TRUE(host.sendTo("127.0.0.1", kCommandUdpPort, lbtest::requestBytes(CmdPing)));
    EXPECT_TRUE(host.receive(3000));

    held.front().reset();
    ASSERT_TRUE(socketsDropTo(2 + kClients - 1));
    lbtest::TcpPeer later("127.0.0.1", kCommandTcpPort);
    EXPECT_TRUE(served(later));
}

// Destroying the listener stops every client at once: idle ones and ones waiting for the rest
// of a request. One by one, each would cost its whole wait (minutes for these).
TEST_F(TCPSocketTest, StoppingEndsEveryClientTogether) {
    constexpr int kIdle = 60;
    constexpr int kMidRequest = 8;
    TovSetMaxSockets(base_ + kTransportSocketReserve + kIdle + kMidRequest);

    class Destroyer : public mthread::Runnable {
    public:
        int run() override {
            listener.reset();
            return 0;
        }
        std::unique_ptr<TCPSocket> listener = std::make_unique<TCPSocket>();
    };
    Destroyer destroyer;
    destroyer.listener->setConsumer(&consumer_);

    std::vector<std::unique_ptr<lbtest::TcpPeer>> peers;
    for (int i = 0; i < kIdle + kMidRequest; ++i) {
        peers.push_back(std::make_unique<lbtest::TcpPeer>("127.0.0.1", kCommandTcpPort));
        ASSERT_TRUE(peers.back()->connected()) << i;
        if (i >= kIdle) {
            Bytes part = framedPing();
            part.resize(4 + 20);  // the body wait is ten seconds
            ASSERT_TRUE(peers.back()->send(part));
        }
    }
    ASSERT_TRUE(served(*peers.front()));
    // Every client holds its socket and waits.
    for (int waited = 0; TovOpenSocketCount() < base_ + 1 + kIdle + kMidRequest && waited < 5000;
         waited += 50) {
        mthread::sleep(50);
    }
    ASSERT_EQ(TovOpenSocketCount(), base_ + 1 + kIdle + kMidRequest);

    mthread::BasicThread thread(&destroyer, "listener stop");
    ASSERT_TRUE(thread.start(65536));
    // A bound far above one stop and far below one wait per client.
    ASSERT_TRUE(thread.join(30000)) << "the stop still runs";
    EXPECT_EQ(TovOpenSocketCount(), base_);
    for (auto& peer : peers) {
        EXPECT_TRUE(peer->closedByPeer(1000));
    }
}

}  // namespace
}  // namespace rx_fwk
