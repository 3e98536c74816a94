#include "tools/tesselcfg/DiscoveryNotes.h"

#include <gtest/gtest.h>

namespace tesselcfg {
namespace {

Sighting seen(std::uint8_t last, const char* ip,
              std::optional<std::vector<Ipv4Subnet>> subnets = std::nullopt) {
    Sighting s;
    s.controller.mac = {0x02, 0, 0, 0, 0, last};
    s.controller.ip = ip;
    s.controller.interfaceName = "eth0";
    s.interfaceSubnets = std::move(subnets);
    return s;
}

TEST(DiscoveryNotesTest, FlagsAddressesOutsideTheSubnetAndTwiceUsed) {
    const std::vector<Ipv4Subnet> lan{*parseAddressWithPrefix("192.168.71.5/24"),
                                      *parseAddressWithPrefix("10.71.0.5/24")};
    std::vector<Sighting> sightings{
        seen(1, "10.71.0.2", lan),                          // fits the second subnet
        seen(2, "172.20.5.9", lan),                         // fits none
        seen(3, "10.71.0.2", lan),                          // same address as 1
        seen(4, "0.0.0.0", lan),                            // no address yet
        seen(5, "172.20.5.10", std::vector<Ipv4Subnet>{}),  // interface without IPv4
        seen(6, "172.20.5.11"),                             // over TCP: reachable
    };
    addDiscoveryNotes(sightings);
    const std::vector<std::vector<std::string>> expected{
        {"address 10.71.0.2 is also held by 02:00:00:00:00:03"},
        {"address 172.20.5.9 does not fit the subnet of eth0 (192.168.71.5/24, 10.71.0.5/24)"},
        {"address 10.71.0.2 is also held by 02:00:00:00:00:01"},
        {"has no IP address"},
        {"address 172.20.5.10 cannot be reached: eth0 has no IPv4 address"},
        {},
    };
    for (std::size_t i = 0; i < sightings.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sightings[i].controller.notes, expected[i]);
    }

    // The controller being configured does not hold its own address against itself.
    EXPECT_EQ(holderOf(0x0A470002, sightings, sightings[0].controller.mac)->mac,
              sightings[2].controller.mac);
    EXPECT_FALSE(holderOf(0xAC14050B, sightings, sightings[5].controller.mac));
    EXPECT_FALSE(holderOf(0x0A470063, sightings, MacAddress{}));
}

}  // namespace
}  // namespace tesselcfg
