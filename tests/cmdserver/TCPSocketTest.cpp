// The TCP listener on port 44516, in a network namespace of the test's own: it serves
// connections, cleans up after them, and outlives a peer that exhausts the socket limit.
#include "cmdserver/TCPSocket.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "cmdserver/UDPSocket.h"
#include "cmdserver/net/sleep.h"
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

}  // namespace
}  // namespace rx_fwk
