// The stand-in for the IP stack service: the device is the host's first non-loopback
// interface that is up.
#include "net/NetworkInfo.h"

#include <gtest/gtest.h>

#include <cstring>

#include "cmdserver/net/sleep.h"
#include "config/ConfigManager.h"
#include "tests/support/PrivateNetwork.h"

namespace rx_fwk {
namespace {

class NetworkInfoTest : public ::testing::Test {
protected:
    void SetUp() override { ConfigManager::instance().clear(); }
    void TearDown() override { ConfigManager::instance().clear(); }
    NetworkInfo& info = NetworkInfo::instance();
};

TEST_F(NetworkInfoTest, TheFirstInterfaceThatIsUpStandsForTheDevice) {
    LBTEST_REQUIRE_PRIVATE_NETWORK();
    // Loopback alone is no device.
    std::uint8_t mac[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_FALSE(info.getFirstMACAddress(mac));
    EXPECT_EQ(mac[0], 9);
    EXPECT_EQ(info.getDeviceCount(), 0u);
    EXPECT_EQ(info.getIPAddress(), "");

    ASSERT_TRUE(lbtest::inPrivateNetwork(
        "ip link add lbni0 address 02:00:5e:10:20:30 type veth peer name lbni1 "
        "address 02:00:5e:10:20:31 && ip addr add 10.77.0.9/16 dev lbni1 && "
        "ip link set lbni1 up"));
    // The interfaces are looked at again within a second.
    bool found = false;
    for (int waited = 0; !found && waited < 3000; waited += 100) {
        found = info.getFirstMACAddress(mac);
        if (!found) {
            mthread::sleep(100);
        }
    }
    ASSERT_TRUE(found);  // lbni0 is down
    EXPECT_EQ(std::vector<std::uint8_t>(mac, mac + 6),
              (std::vector<std::uint8_t>{0x02, 0x00, 0x5e, 0x10, 0x20, 0x31}));
    EXPECT_EQ(info.getDeviceCount(), 1u);
    std::uint8_t listed[6] = {};
    EXPECT_TRUE(info.getDeviceMACAddress(0, listed));
    EXPECT_EQ(std::memcmp(listed, mac, 6), 0);
    EXPECT_FALSE(info.getDeviceMACAddress(1, listed));
    bool dhcp = false;
    std::string address, mask, gateway, dns;
    info.getIPSettings(&dhcp, &address, &mask, &gateway, &dns);
    EXPECT_TRUE(dhcp);
    EXPECT_EQ(address, "10.77.0.9");
    EXPECT_EQ(mask, "255.255.0.0");
    EXPECT_EQ(gateway, "0.0.0.0");
    EXPECT_EQ(info.getIPAddress(), "10.77.0.9");
}

}  // namespace
}  // namespace rx_fwk
