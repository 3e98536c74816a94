// One TCP connection of the command server: framing, refusals and the idle limit. The
// listener here is the test's own, on a free loopback port.
#include "cmdserver/TCPClient.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "cmdserver/net/stream_server.h"
#include "cmdserver/net/sleep.h"
#include "tests/support/HostSockets.h"
#include "tests/support/Packets.h"
#include "tests/support/RecordingConsumer.h"

namespace rx_fwk {
namespace {

using lbtest::Bytes;

Bytes framed(std::uint32_t length, const Bytes& body) {
    Bytes bytes(4 + body.size());
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(length >> (24 - 8 * i));
    }
    std::copy(body.begin(), body.end(), bytes.begin() + 4);
    return bytes;
}

class TCPClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(listener_.bind(ip_address("127.0.0.1", 0)));
        ASSERT_TRUE(listener_.listen(5));
        int length = 0;
        sockaddr_in own;
        std::memcpy(&own, listener_.localAddress(length), sizeof own);
        port_ = ntohs(own.sin_port);
    }

    // Connects a peer and serves it with a new client.
    std::unique_ptr<lbtest::TcpPeer> connect(const TCPClient::Timing& timing = quick()) {
        auto peer = std::make_unique<lbtest::TcpPeer>("127.0.0.1", port_);
        EXPECT_TRUE(peer->connected());
        client_ = std::make_unique<TCPClient>(listener_.accept(), timing);
        client_->setConsumer(&consumer_);
        return peer;
    }

    // The thread ends on its own; the connection closes when the client is destroyed.
    bool waitDone(int timeoutMs) {
        for (int waited = 0; !client_->done() && waited < timeoutMs; waited += 10) {
            mthread::sleep(10);
        }
        return client_->done();
    }

    static TCPClient::Timing quick() {
        TCPClient::Timing t;
        t.transferWaitMs = 300;
        return t;
    }

    stream_server<ip_address> listener_;
    std::uint16_t port_ = 0;
    lbtest::RecordingConsumer consumer_;
    std::unique_ptr<TCPClient> client_;
};

TEST_F(TCPClientTest, EachPacketIsFramedByItsLength) {
    auto peer = connect();
    Bytes two = framed(184, lbtest::requestBytes(CmdPing));
    Bytes second = framed(184, lbtest::requestBytes(CmdPing));
    two.insert(two.end(), second.begin(), second.end());
    ASSERT_TRUE(peer->send(two));
    for (int i = 0; i < 2; ++i) {
        auto header = peer->receive(4, 3000);
        ASSERT_TRUE(header);
        EXPECT_EQ(*header, (Bytes{0, 0, 0, 0xB8}));
        auto reply = peer->receive(184, 3000);
        ASSERT_TRUE(reply);
        EXPECT_EQ((*reply)[2], ACK);
    }
    EXPECT_EQ(consumer_.senders().front(), "127.0.0.1");
    EXPECT_FALSE(client_->done());
}

TEST_F(TCPClientTest, BadFramingEndsOnlyThatConnection) {
    struct Row {
        const char* what;
        Bytes bytes;
        bool halfClose;
    };
    Bytes shortBody = framed(184, lbtest::requestBytes(CmdPing));
    shortBody.resize(4 + 100);
    const Row rows[] = {
        {"length 185", framed(185, Bytes(185, 0)), false},
        {"length 0", framed(0, {}), false},
        {"length 0xFFFFFFFF", framed(0xFFFFFFFF, {}), false},
        {"length 0x80000000", framed(0x80000000, {}), false},
        {"short body, then silence", shortBody, false},
        {"short body, then the peer closes", shortBody, true},
        {"half a length word", Bytes{0, 0}, true},
        {"peer closes at once", Bytes{}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        auto peer = connect();
        if (!row.bytes.empty()) {
            ASSERT_TRUE(peer->send(row.bytes));
        }
        if (row.halfClose) {
            peer->shutdownSending();
        }
        EXPECT_TRUE(waitDone(3000));
        EXPECT_TRUE(consumer_.lengths().empty());
        client_.reset();
        EXPECT_TRUE(peer->closedByPeer(1000));
    }
    // The listener's next connection is served as usual.
    auto peer = connect();
    ASSERT_TRUE(peer->send(framed(184, lbtest::requestBytes(CmdPing))));
    EXPECT_TRUE(peer->receive(188, 3000));
}

TEST_F(TCPClientTest, ASilentConnectionEndsAfterTheIdleLimitPlusTwoWaits) {
    TCPClient::Timing timing = quick();
    timing.idleWaitMs = 100;
    timing.idleLimit = 3;
    auto silent = connect(timing);
    ASSERT_TRUE(waitDone(10000));
    EXPECT_EQ(client_->idleCount(), timing.idleLimit + 2);
    client_.reset();

    // Requests reset the count: a connection used more often than that stays open.
    auto busy = connect(timing);
    for (int i = 0; i < 10; ++i) {
        mthread::sleep(150);
        ASSERT_TRUE(busy->send(framed(184, lbtest::requestBytes(CmdPing))));
        ASSERT_TRUE(busy->receive(188, 3000)) << "request " << i;
    }
    EXPECT_FALSE(client_->done());
    ASSERT_TRUE(waitDone(10000));
    EXPECT_EQ(client_->idleCount(), timing.idleLimit + 2);
}

}  // namespace
}  // namespace rx_fwk
