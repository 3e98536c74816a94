#include "tools/tesselcfg/AdvancedEnet.h"

#include <gtest/gtest.h>

#include <vector>

namespace tesselcfg {
namespace {

TEST(AdvancedEnetTest, RequestsCarryTheSubCommandAndTheDeviceOnTheWire) {
    const MacAddress controller{0x02, 0, 0, 0, 0, 7};
    const MacAddress device{0x02, 0, 0, 0, 0x21, 2};
    CommandPacket request = makeAdvancedEnet(controller, 0xF5, rx_fwk::enet::SetModes);
    putDeviceMac(request, rx_fwk::enet::kP32, device);
    rx_fwk::enet::put32(request, rx_fwk::enet::kP48, 30);
    EXPECT_EQ(macOf(request), controller);
    EXPECT_EQ(deviceMacAt(request, 32), device);
    rx_fwk::convertPacketByteOrder(request);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&request);
    EXPECT_EQ(bytes[2], 0xF5);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes + 178, bytes + 182),
              (std::vector<std::uint8_t>{0, 0, 0, 8}));  // extra, converted by the codec
    EXPECT_EQ(std::vector<std::uint8_t>(bytes + 32, bytes + 38),
              std::vector<std::uint8_t>(device.begin(), device.end()));
    // The payload is big-endian already and is not converted again.
    EXPECT_EQ(std::vector<std::uint8_t>(bytes + 48, bytes + 52),
              (std::vector<std::uint8_t>{0, 0, 0, 30}));
}

TEST(AdvancedEnetTest, ModeNames) {
    const std::pair<const char*, std::uint32_t> media[] = {
        {"auto", 1},     {"10half", 2},    {"10FULL", 4},    {"100half", 8},
        {"100full", 16}, {"1000Half", 32}, {"1000full", 64},
    };
    for (const auto& [name, mode] : media) {
        EXPECT_EQ(parseMediaMode(name), mode) << name;
    }
    for (const char* wrong : {"", "100", "full", "auto "}) {
        EXPECT_FALSE(parseMediaMode(wrong)) << wrong;
    }
    EXPECT_EQ(mediaModeName(16), "100full");
    EXPECT_EQ(mediaModeName(3), "mode 3");
    EXPECT_EQ(mediaModeList(0x19), "auto, 100half, 100full");
    EXPECT_EQ(mediaModeList(0), "none");
    EXPECT_EQ(deviceModeName(2), "tcpip");
    EXPECT_EQ(deviceModeName(0), "mode 0");
    EXPECT_EQ(operationModeName(2), "polling");
    EXPECT_EQ(operationModeName(1), "interrupt");
}

}  // namespace
}  // namespace tesselcfg
