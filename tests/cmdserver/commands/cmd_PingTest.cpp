#include <gtest/gtest.h>

#include "config/RootPassword.h"
#include "tests/cmdserver/commands/HandlerTest.h"

namespace rx_fwk {
namespace {

using PingTest = HandlerTest;

TEST_F(PingTest, DiscoveryAnswersIdentityAndNetworkSettings) {
    auto bytes = lbtest::requestBytes(CmdPing);  // all-zero MAC: broadcast discovery
    const auto request = bytes;
    auto reply = ask(bytes);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->command, ACK);
    EXPECT_EQ(reply->targetCode, 0x719C);
    EXPECT_EQ(reply->secondaryCode, 0x0C00);
    EXPECT_EQ(reply->serialNumber, 0x2F123456u);
    EXPECT_EQ(std::memcmp(reply->macAddress, kTestMac, 6), 0);
    EXPECT_EQ(std::string(reply->text1, 32),
              std::string("Generic Desktop PC") + std::string(14, '\0'));
    // Addresses travel in dotted order.
    EXPECT_EQ(
        std::vector<std::uint8_t>(bytes.begin() + 158, bytes.begin() + 174),
        (std::vector<std::uint8_t>{192, 168, 0, 7, 255, 255, 255, 0, 10, 1, 2, 3, 192, 168, 0, 1}));
    EXPECT_EQ(reply->status, 0u);
    EXPECT_EQ(reply->extra, 0u);
    // What the reply does not mention comes back as it went.
    EXPECT_EQ(bytes[5], request[5]);
    EXPECT_TRUE(std::equal(bytes.begin() + 20, bytes.begin() + 28, request.begin() + 20));
    EXPECT_TRUE(std::equal(bytes.begin() + 182, bytes.end(), request.begin() + 182));
}

TEST_F(PingTest, FlagsTellProtectionAddressAndDhcp) {
    struct Row {
        bool locked, ipConfigured, dhcp;
        std::uint16_t flags;
    } rows[] = {
        {false, false, true, 0x004C}, {false, false, false, 0x0054}, {true, false, true, 0x004D},
        {false, true, false, 0x0056}, {true, true, true, 0x004F},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.flags);
        ConfigManager::instance().clear();
        if (row.locked) {
            ASSERT_TRUE(setRootPasswordHash(0x1234, 0x5678));
        }
        if (row.ipConfigured) {
            setting("TCP_Stack_Config", "IP_Address", "10.0.0.5");
        }
        network_.dhcp = row.dhcp;
        auto bytes = request(CmdPing);
        auto reply = ask(bytes);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->flags, row.flags);
    }
}

TEST_F(PingTest, HostNameFillsItsAreaAndTheTypeNameKeepsAZero) {
    for (std::size_t length : {std::size_t{0}, std::size_t{5}, std::size_t{32}, std::size_t{40}}) {
        SCOPED_TRACE(length);
        const std::string name(length, 'h');
        setting("SystemSettings", "Host_Name", name);
        auto bytes = request(CmdPing);
        auto reply = ask(bytes);
        ASSERT_TRUE(reply);
        std::string expected = name.substr(0, 32);
        expected.resize(32, '\0');
        EXPECT_EQ(std::string(reply->text2, 32), expected);
        EXPECT_EQ(reply->text1[31], '\0');
    }
}

TEST_F(PingTest, CommentIsDecodedIntoData) {
    struct Row {
        const char* what;
        std::string comment;  // empty: no key
        const char* format;   // null: no key
        std::uint16_t expectedFormat;
        std::vector<std::uint8_t> expectedStart;  // the rest of data keeps the request's bytes
        bool keptAsRequested;
    } rows[] = {
        {"no comment", "", "1200", 512, {0}, false},
        {"one byte", "14", "1200", 1200, {0x41}, false},
        {"two bytes", "1400", nullptr, 512, {0x41, 0x00}, false},
        {"odd length rounds down", "141", nullptr, 512, {0x41}, false},
        {"any characters, nibbles kept", "A~", nullptr, 512, {0xE1}, false},
        {"exactly 64 bytes", std::string(128, '1'), nullptr, 512,
         std::vector<std::uint8_t>(64, 0x11), false},
        {"more than 64 bytes", std::string(130, '1'), "7", 7, {}, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        ConfigManager::instance().clear();
        if (!row.comment.empty()) {
            setting("SystemSettings", "Comment", row.comment);
        }
        if (row.format != nullptr) {
            setting("SystemSettings", "Comment_Format", row.format);
        }
        auto bytes = request(CmdPing);
        const auto sent = bytes;
        auto reply = ask(bytes);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->commentFormat, row.expectedFormat);
        std::vector<std::uint8_t> data(bytes.begin() + 92, bytes.begin() + 156);
        std::vector<std::uint8_t> expected(sent.begin() + 92, sent.begin() + 156);
        std::copy(row.expectedStart.begin(), row.expectedStart.end(), expected.begin());
        EXPECT_EQ(data, expected);
    }
}

TEST_F(PingTest, ADeviceWithoutAnAddressAnswersZeros) {
    network_.address.clear();
    network_.mask.clear();
    network_.gateway = "not an address";
    auto bytes = request(CmdPing);
    auto reply = ask(bytes);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->ipAddress, 0u);
    EXPECT_EQ(reply->subnetMask, 0u);
    EXPECT_EQ(reply->gateway, 0u);
    EXPECT_EQ(reply->dnsAddress, 0x0A010203u);
}

TEST_F(PingTest, ConfirmEchoesTheRequestAsAnAck) {
    auto bytes = request(CmdConfirm);
    auto expected = bytes;
    expected[2] = ACK;
    ASSERT_TRUE(ask(bytes));
    EXPECT_EQ(bytes, expected);
}

}  // namespace
}  // namespace rx_fwk
