#include "app/services/DesktopApp.h"

#include <gtest/gtest.h>

#include <cstring>

#include "net/NetworkInfo.h"

namespace rx_fwk {
namespace {

class FixedMac : public NetworkInfo {
public:
    bool getFirstMACAddress(std::uint8_t mac[6]) override {
        static const std::uint8_t kMac[6] = {0x00, 0x80, 0x2F, 0x12, 0x34, 0x56};
        std::memcpy(mac, kMac, 6);
        return true;
    }
    bool isIPConfigured() override { return true; }
};

TEST(DesktopAppTest, BlinkCounts) {
    const std::pair<int, int> rows[] = {{1, 4}, {2, 2}, {3, 2}, {4, 2}, {6, 2},
                                        {7, 1}, {5, 3}, {0, 3}, {8, 1}};  // 8: no static IP
    for (auto [code, blinks] : rows) {
        EXPECT_EQ(EmbeddedTarget::blinkCount(code), blinks) << code;
    }
}

TEST(DesktopAppTest, IdentityFromThePrimaryMac) {
    FixedMac mac;
    NetworkInfo::install(&mac);
    DesktopApp app;
    EXPECT_EQ(app.serialNumber(), 0x2F123456u);
    EXPECT_EQ(EmbeddedTarget::blinkCount(8), 3);  // a static address is configured
    NetworkInfo::install(nullptr);
    EXPECT_EQ(app.serialNumber(), 0u);
    EXPECT_FALSE(app.isSwitchOn(1));
}

}  // namespace
}  // namespace rx_fwk
