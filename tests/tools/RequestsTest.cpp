#include "tools/tesselcfg/Requests.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace tesselcfg {
namespace {

const MacAddress kMac{0x02, 0x00, 0x00, 0x00, 0x00, 0x07};

std::vector<std::uint8_t> onTheWire(CommandPacket p) {
    rx_fwk::convertPacketByteOrder(p);
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(&p);
    return std::vector<std::uint8_t>(bytes, bytes + sizeof p);
}

TEST(RequestsTest, PasswordWordsTravelTwiceBigEndian) {
    const PasswordHash hash{0x11223344, 0xA1B2C3D4};
    const std::vector<std::uint8_t> copy{0x11, 0x22, 0x33, 0x44, 0xA1, 0xB2, 0xC3, 0xD4};
    const struct {
        const char* name;
        CommandPacket packet;
        std::uint8_t command;
        std::uint32_t status;
    } rows[] = {
        {"lock", makeLock(kMac, hash), rx_fwk::CmdLock, 0},
        {"unlock", makeUnlock(kMac, hash), rx_fwk::CmdUnlock, 0},
        {"protected reset", makeReset(kMac, ResetKind::Normal, hash), rx_fwk::CmdReset, 0},
        {"protected install reset", makeReset(kMac, ResetKind::Install, hash), rx_fwk::CmdReset, 2},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const auto wire = onTheWire(row.packet);
        EXPECT_EQ(wire[2], row.command);
        EXPECT_EQ(std::vector<std::uint8_t>(wire.begin() + 158, wire.begin() + 166), copy);
        EXPECT_EQ(std::vector<std::uint8_t>(wire.begin() + 166, wire.begin() + 174), copy);
        EXPECT_EQ(row.packet.status, row.status);
        EXPECT_EQ(std::memcmp(&wire[14], kMac.data(), 6), 0);
    }
    // Without a password the copies are equal zeros.
    const CommandPacket plain = makeReset(kMac, ResetKind::Install, std::nullopt);
    EXPECT_EQ(plain.ipAddress | plain.subnetMask | plain.dnsAddress | plain.gateway, 0u);
    EXPECT_EQ(plain.status, 2u);
}

TEST(RequestsTest, ProtectionFlags) {
    const struct {
        bool protectReboot, haltOnError;
        std::uint16_t flags;
    } rows[] = {{false, false, 0}, {false, true, 1}, {true, false, 2}, {true, true, 3}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.flags);
        const CommandPacket p = makeSpConfig(kMac, {row.protectReboot, row.haltOnError});
        EXPECT_EQ(p.command, rx_fwk::CmdSpConfig);
        EXPECT_EQ(p.flags, row.flags);
    }
}

TEST(RequestsTest, PathsFromOffset28AlwaysTerminated) {
    const std::string longest(kPathCapacity, 'p');
    EXPECT_EQ(pathProblem(longest), "");
    EXPECT_NE(pathProblem(longest + "p"), "");
    EXPECT_NE(pathProblem("app.exe\n[Security]"), "");

    const CommandPacket chmod = makeChmod(kMac, longest, FileAccess::ReadOnly);
    const auto wire = onTheWire(chmod);
    EXPECT_EQ(wire[2], rx_fwk::CmdChmod);
    EXPECT_EQ(std::string(wire.begin() + 28, wire.begin() + 28 + kPathCapacity), longest);
    EXPECT_EQ(wire[28 + kPathCapacity], 0);  // the byte before commentFormat
    EXPECT_EQ(chmod.status, 1u);
    EXPECT_EQ(makeChmod(kMac, "zu-rt.ini", FileAccess::Writable).status, 0u);

    const CommandPacket exe = makeMainExe(kMac, "C:\\app\\main.exe");
    EXPECT_EQ(exe.command, rx_fwk::CmdMainExe);
    EXPECT_STREQ(exe.text1, "C:\\app\\main.exe");
}

TEST(RequestsTest, FactoryRequestsCarryTheirCodeAndLeaveStatusRecognisable) {
    const MacAddress newMac{0x00, 0x80, 0x2F, 0x01, 0x02, 0x03};
    const CommandPacket mac = makeFactoryMac(kMac, newMac);
    EXPECT_EQ(mac.command, rx_fwk::CmdMacAddr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(mac.data), 24), "7QuietHarborLanternRowXZ");
    EXPECT_EQ(std::memcmp(mac.text2, newMac.data(), 6), 0);
    EXPECT_EQ(mac.status, kUntouchedStatus);

    const CommandPacket serial = makeFactorySerial(kMac, 0xC0FFEE);
    EXPECT_EQ(serial.command, rx_fwk::CmdSerial);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(serial.data), 26),
              "MarbleCanyonWhistleFerries");
    EXPECT_EQ(serial.serialNumber, 0xC0FFEEu);
    EXPECT_EQ(serial.status, kUntouchedStatus);

    EXPECT_EQ(makeFirmwareRequest(kMac).status, kUntouchedStatus);
}

}  // namespace
}  // namespace tesselcfg
