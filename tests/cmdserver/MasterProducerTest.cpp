// The command server started as it is in the image: UDP always, TCP only with a configured
// address; stopping it frees every socket.
#include "cmdserver/MasterProducer.h"

#include <gtest/gtest.h>

#include "cmdserver/CommandServer.h"
#include "config/ConfigManager.h"
#include "kernel/net/WinSock.h"
#include "tests/support/HostSockets.h"
#include "tests/support/Packets.h"
#include "tests/support/PrivateNetwork.h"

namespace rx_fwk {
namespace {

TEST(MasterProducer, TheTcpListenerRunsOnlyWithAConfiguredAddress) {
    LBTEST_REQUIRE_PRIVATE_NETWORK();
    struct Row {
        const char* address;  // IP_Address of [TCP_Stack_Config]; null: no key
        bool listens;
    } rows[] = {
        {nullptr, false},
        {"0.0.0.0", false},
        {"USE_DHCP", true},
        {"10.0.0.5", true},
    };
    CommandServer& server = CommandServer::instance();
    const int base = TovOpenSocketCount();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.address ? row.address : "none");
        ConfigManager::instance().clear();
        if (row.address != nullptr) {
            ConfigManager::instance().setString("TCP_Stack_Config", "IP_Address", row.address);
        }
        ASSERT_TRUE(server.start());
        EXPECT_TRUE(server.isRunning());
        EXPECT_FALSE(server.start());  // once

        lbtest::UdpProbe host;
        ASSERT_TRUE(host.sendTo("127.0.0.1", kCommandUdpPort, lbtest::requestBytes(CmdPing)));
        EXPECT_TRUE(host.receive(3000));
        lbtest::TcpPeer peer("127.0.0.1", kCommandTcpPort);
        EXPECT_EQ(peer.connected(), row.listens);

        EXPECT_TRUE(server.stop());
        EXPECT_FALSE(server.isRunning());
        EXPECT_EQ(TovOpenSocketCount(), base);
    }
    ConfigManager::instance().clear();
}

TEST(MasterProducer, AFailedBindLeavesTheServerStopped) {
    LBTEST_REQUIRE_PRIVATE_NETWORK();
    lbtest::UdpProbe squatter(kCommandUdpPort);
    EXPECT_FALSE(CommandServer::instance().start());
    EXPECT_FALSE(CommandServer::instance().isRunning());
}

}  // namespace
}  // namespace rx_fwk
