#include "kernel/net/TcpGlobalSettings.h"

#include <gtest/gtest.h>

#include "kernel/net/TcpDevice.h"
#include "kernel/net/WinSock.h"
#include "tests/support/PrivateNetwork.h"

namespace {

TEST(TcpGlobalSettingsTest, TheSocketLimitIsWinSocksAndStaticValuesAreKept) {
    TovTCPGlobalSettings settings{};
    ASSERT_EQ(TovTCPGetGlobalSettings(&settings), 0);
    EXPECT_EQ(settings.maxSockets, 64);
    EXPECT_EQ(settings.dns.retries, 2u);
    EXPECT_EQ(settings.dns.timeoutSeconds, 10u);

    settings.maxSockets = 5;
    settings.dns = {inet_addr("10.1.2.3"), 2, 10};
    settings.gateway = {inet_addr("10.1.2.1"), 7};
    ASSERT_EQ(TovTCPSetGlobalSettings(&settings), 0);
    EXPECT_EQ(TovGetMaxSockets(), 5);
    TovTCPGlobalSettings read{};
    ASSERT_EQ(TovTCPGetGlobalSettings(&read), 0);
    EXPECT_EQ(read.maxSockets, 5);
    EXPECT_EQ(read.dns.server, inet_addr("10.1.2.3"));
    EXPECT_EQ(read.gateway.address, inet_addr("10.1.2.1"));
    EXPECT_EQ(read.gateway.device, 7u);

    settings.maxSockets = 0;  // the default
    settings.dns.server = kTovTCPUseDHCP;
    ASSERT_EQ(TovTCPSetGlobalSettings(&settings), 0);
    ASSERT_EQ(TovTCPGetGlobalSettings(&read), 0);
    EXPECT_EQ(read.maxSockets, 64);
    EXPECT_EQ(read.dns.server, 0u);  // no resolver to ask
    EXPECT_EQ(TovTCPGetGlobalSettings(nullptr), int(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(TovTCPSetGlobalSettings(nullptr), int(ERROR_INVALID_PARAMETER));
}

TEST(TcpGlobalSettingsTest, ADhcpGatewayIsTheHostsDefaultRouteOfTheDevice) {
    LBTEST_REQUIRE_PRIVATE_NETWORK();
    ASSERT_TRUE(lbtest::inPrivateNetwork(
        "ip link add lbgw0 type veth peer name lbgw1 && ip addr add 10.79.0.2/24 dev lbgw0 && "
        "ip link set lbgw0 up && ip link set lbgw1 up"));
    DWORD device = 0;
    ASSERT_EQ(TovTCPRegisterDevice(nullptr, "lbgw0", &device), 0);
    TovTCPGlobalSettings settings{};
    ASSERT_EQ(TovTCPGetGlobalSettings(&settings), 0);
    settings.gateway = {kTovTCPUseDHCP, device};
    ASSERT_EQ(TovTCPSetGlobalSettings(&settings), 0);

    TovTCPGlobalSettings read{};
    ASSERT_EQ(TovTCPGetGlobalSettings(&read), 0);
    EXPECT_EQ(read.gateway.address, 0u);  // no default route yet
    ASSERT_TRUE(lbtest::inPrivateNetwork("ip route add default via 10.79.0.1 dev lbgw0"));
    ASSERT_EQ(TovTCPGetGlobalSettings(&read), 0);
    EXPECT_EQ(read.gateway.address, inet_addr("10.79.0.1"));

    settings.gateway = {0, 0};
    TovTCPSetGlobalSettings(&settings);
    TovTCPUnregisterDevice(device);
    lbtest::inPrivateNetwork("ip link del lbgw0");
}

}  // namespace
