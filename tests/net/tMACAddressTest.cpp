#include "net/tMACAddress.h"

#include <gtest/gtest.h>

#include <vector>

namespace nIPStack {
namespace {

TEST(tMACAddressTest, ParsesBothFormsInEitherCaseAndRefusesTheRest) {
    const std::uint8_t expected[6] = {0x00, 0x80, 0x2F, 0x12, 0x34, 0xAB};
    struct Row {
        const char* text;
        bool parses;
    } rows[] = {
        {"00802F1234AB", true},       {"00802f1234ab", true},       {"00:80:2f:12:34:ab", true},
        {"00:80:2F:12:34:AB", true},  {"00-80-2F-12-34-AB", false}, {"00802F1234A", false},
        {"00802F1234AG", false},      {"00802F1234ABC", false},     {"00:80:2F:12:34:AG", false},
        {"00:80:2F:12:34-AB", false}, {"0:080:2F:12:34:AB", false}, {"", false},
        {" 0802F1234AB", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        if (row.parses) {
            EXPECT_EQ(tMACAddress(row.text), tMACAddress(expected));
        } else {
            EXPECT_THROW(tMACAddress{row.text}, tMACAddress::tBadFormatException);
        }
    }
}

TEST(tMACAddressTest, TextFormsAreUpperCaseAndOrderIsBytewise) {
    const tMACAddress mac(std::string("0a:0b:fc:0d:0e:ff"));
    EXPECT_EQ(mac.compactText(), "0A0BFC0D0EFF");
    EXPECT_EQ(mac.displayText(), "0A:0B:FC:0D:0E:FF");
    EXPECT_EQ(tMACAddress().compactText(), "000000000000");
    EXPECT_LT(tMACAddress(std::string("00FFFFFFFFFF")), tMACAddress(std::string("010000000000")));
    EXPECT_NE(mac, tMACAddress());
}

}  // namespace
}  // namespace nIPStack
