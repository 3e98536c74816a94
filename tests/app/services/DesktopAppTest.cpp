#include "app/services/DesktopApp.h"

#include <gtest/gtest.h>

#include <cstring>

#include "config/ConfigManager.h"
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
};

class NoDevice : public NetworkInfo {
public:
    bool getFirstMACAddress(std::uint8_t*) override { return false; }
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
    ASSERT_TRUE(ConfigManager::instance().setString("TCP_Stack_Config", "IP_Address", "10.0.0.5"));
    EXPECT_EQ(EmbeddedTarget::blinkCount(8), 3);  // a static address is configured
    ConfigManager::instance().clear();
    NoDevice none;
    NetworkInfo::install(&none);
    EXPECT_EQ(app.serialNumber(), 0u);
    NetworkInfo::install(nullptr);
    EXPECT_FALSE(app.isSwitchOn(1));
}

}  // namespace
}  // namespace rx_fwk
