// The UDP transport in a network namespace of the test's own (it binds port 44515).
#include "cmdserver/UDPSocket.h"

#include <gtest/gtest.h>

#include <memory>

#include "tests/support/HostSockets.h"
#include "tests/support/Packets.h"
#include "tests/support/PrivateNetwork.h"
#include "tests/support/RecordingConsumer.h"

namespace rx_fwk {
namespace {

class UDPSocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        LBTEST_REQUIRE_PRIVATE_NETWORK();
        transport_ = std::make_unique<UDPSocket>();
        transport_->setConsumer(&consumer_);
    }

    lbtest::RecordingConsumer consumer_;
    std::unique_ptr<UDPSocket> transport_;
};

TEST_F(UDPSocketTest, RepliesGoToTheLimitedBroadcastAtTheSendersPort) {
    lbtest::UdpProbe host(50000);
    ASSERT_TRUE(host.sendTo("127.0.0.1", kCommandUdpPort, lbtest::requestBytes(CmdPing)));
    auto reply = host.receive(3000);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->destination, "255.255.255.255");
    ASSERT_EQ(reply->bytes.size(), kCommandPacketSize);
    EXPECT_EQ(reply->bytes[2], ACK);
    EXPECT_EQ(consumer_.senders(), std::vector<std::string>{"127.0.0.1"});
}

TEST_F(UDPSocketTest, OversizedDatagramsAreDroppedAndTheThreadGoesOn) {
    lbtest::UdpProbe host;
    auto padded = [](std::size_t size) {
        auto bytes = lbtest::requestBytes(CmdPing);
        bytes.resize(size, 0);
        return bytes;
    };
    // Over 512 bytes the thread drops it; up to 512 the server sees it and drops it.
    ASSERT_TRUE(host.sendTo("127.0.0.1", kCommandUdpPort, padded(600)));
    ASSERT_TRUE(host.sendTo("127.0.0.1", kCommandUdpPort, padded(512)));
    ASSERT_TRUE(host.sendTo("127.0.0.1", kCommandUdpPort, padded(185)));
    ASSERT_TRUE(host.sendTo("127.0.0.1", kCommandUdpPort, lbtest::requestBytes(CmdPing)));
    auto reply = host.receive(3000);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->bytes.size(), kCommandPacketSize);
    EXPECT_FALSE(host.receive(300));
    EXPECT_EQ(consumer_.lengths(), (std::vector<std::uint32_t>{512, 185, 184}));
    EXPECT_EQ(transport_->exitCode(), -1);  // still running
}

TEST_F(UDPSocketTest, NothingIsAnsweredBeforeAConsumerIsSet) {
    transport_->setConsumer(nullptr);
    lbtest::UdpProbe host;
    ASSERT_TRUE(host.sendTo("127.0.0.1", kCommandUdpPort, lbtest::requestBytes(CmdPing)));
    EXPECT_FALSE(host.receive(300));
    transport_->setConsumer(&consumer_);
    ASSERT_TRUE(host.sendTo("127.0.0.1", kCommandUdpPort, lbtest::requestBytes(CmdPing)));
    EXPECT_TRUE(host.receive(3000));
}

}  // namespace
}  // namespace rx_fwk
