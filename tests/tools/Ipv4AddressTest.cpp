#include "tools/tesselcfg/Ipv4Address.h"

#include <gtest/gtest.h>

namespace tesselcfg {
namespace {

TEST(Ipv4AddressTest, ParsesDottedTextStrictly) {
    const struct {
        const char* text;
        std::optional<std::uint32_t> value;
    } rows[] = {
        {"192.168.0.1", 0xC0A80001}, {"0.0.0.0", 0},           {"255.255.255.255", 0xFFFFFFFF},
        {"010.1.1.1", 0x0A010101},  // leading zeros are decimal
        {"256.1.1.1", std::nullopt}, {"1.2.3", std::nullopt},  {"1.2.3.4.5", std::nullopt},
        {"1.2.3.4 ", std::nullopt},  {"1..2.3", std::nullopt}, {"1.2.3.1234", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(parseDotted(row.text), row.value);
        if (row.value) {
            EXPECT_EQ(parseDotted(dottedAddress(*row.value)), row.value);
        }
    }
}

TEST(Ipv4AddressTest, AddressWithPrefixAndWhatNoHostCanHold) {
    const struct {
        const char* text;
        bool parses;
        std::uint32_t mask;
        bool usable;
    } rows[] = {
        {"10.0.0.5/24", true, 0xFFFFFF00, true},
        {"10.0.0.5/32", true, 0xFFFFFFFF, true},
        {"10.0.0.1/31", true, 0xFFFFFFFE, true},  // no network or broadcast address in a /31
        {"172.20.5.9/16", true, 0xFFFF0000, true},
        {"10.0.0.0/24", true, 0xFFFFFF00, false},    // network address
        {"10.0.0.255/24", true, 0xFFFFFF00, false},  // broadcast address
        {"0.0.0.0/8", true, 0xFF000000, false},      // reads as "not configured"
        {"127.0.0.2/8", true, 0xFF000000, false},
        {"224.0.0.9/24", true, 0xFFFFFF00, false},
        {"10.0.0.5/0", true, 0, false},
        {"10.0.0.5", false, 0, false},
        {"10.0.0.5/33", false, 0, false},
        {"10.0.0.5/-1", false, 0, false},
        {"10.0.0.5/", false, 0, false},
        {"10.0.0.5/255.255.255.0", false, 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        auto subnet = parseAddressWithPrefix(row.text);
        ASSERT_EQ(subnet.has_value(), row.parses);
        if (subnet) {
            EXPECT_EQ(subnet->mask, row.mask);
            EXPECT_EQ(unusableHostAddress(*subnet).empty(), row.usable)
                << unusableHostAddress(*subnet);
        }
    }
}

}  // namespace
}  // namespace tesselcfg
