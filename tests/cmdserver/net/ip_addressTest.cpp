#include "cmdserver/net/ip_address.h"

#include <gtest/gtest.h>

#include "cmdserver/net/SocketLibrary.h"
#include "cmdserver/net/ip_unable_to_resolve.h"

namespace rx_fwk {
namespace {

TEST(ip_address, Forms) {
    struct Row {
        ip_address address;
        const char* text;
        std::uint16_t port;
    } rows[] = {
        {ip_address(), "0.0.0.0", 0},
        {ip_address(44515, ip_address::IsBroadcast), "255.255.255.255", 44515},
        {ip_address(44516, ip_address::NotBroadcast), "0.0.0.0", 44516},
        {ip_address("10.1.2.3", 7), "10.1.2.3", 7},
        {ip_address("localhost", 9), "127.0.0.1", 9},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(row.address.text(), row.text);
        EXPECT_EQ(row.address.port(), row.port);
        EXPECT_EQ(row.address.record()->sa_family, AF_INET);
    }
    // The port travels in network order inside the record.
    const ip_address a("1.2.3.4", 0x1234);
    EXPECT_EQ(reinterpret_cast<const std::uint8_t*>(a.record())[2], 0x12);
}

TEST(ip_address, UnknownNamesThrowAndLeaveNoSocketOpen) {
    const int before = SocketLibrary::instance().openCount();
    EXPECT_THROW(ip_address("controller.invalid", 1), ip_unable_to_resolve);
    EXPECT_THROW(ip_address("300.1.1.1", 1), ip_unable_to_resolve);
    EXPECT_EQ(SocketLibrary::instance().openCount(), before);
}

}  // namespace
}  // namespace rx_fwk
