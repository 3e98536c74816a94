// AdvancedEnet over a controller with three devices (two drivers of the tests' own making):
// the sub-commands in turn, each with its payload in network order.
#include "cmdserver/commands/cmd_AdvancedEnet.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "config/ConfigManager.h"
#include "config/RootPassword.h"
#include "net/tIPStack.h"
#include "tests/support/TempDisk.h"

namespace rx_fwk {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kA = {0x02, 0, 0, 0, 0x21, 1};  // first device, primary at first
const Bytes kB = {0x02, 0, 0, 0, 0x21, 2};  // its driver is deterministic
const Bytes kC = {0x02, 0, 0, 0, 0x31, 1};
const Bytes kUnknown = {0x02, 0, 0, 0, 0x99, 9};

std::string hostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

Bytes word(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
            static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
}

// Payload bytes from offset 32 on: at most five fields (a MAC takes six bytes at its place).
struct Field {
    std::size_t offset;
    Bytes bytes;
};

class cmd_AdvancedEnetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ConfigManager::instance().clear();
        for (const char* driver : {"testdrv_two", "testdrv_three"}) {
            disk_.writeHostFile(
                std::string("drivers/enet_") + driver + ".dll",
                hostFile(std::string(LIFEBOAT_TEST_DRIVER_DIR) + "/" + driver + ".dll"));
        }
        disk_.writeHostFile("drivers/ethernet.ini",
                            "[drivers]\r\nStandardDrivers=Two;Three\r\n"
                            "[Two]\r\nPath=C:\\drivers\\enet_testdrv_two.dll\r\n"
                            "DeterministicDriver=yes\r\n"
                            "[Three]\r\nPath=C:\\drivers\\enet_testdrv_three.dll\r\n");
        stack_ = std::make_unique<nIPStack::tIPStack>("C:\\drivers\\ethernet.ini");
        ::testing::internal::CaptureStdout();
        stack_->getConfig();
        ::testing::internal::GetCapturedStdout();
        ASSERT_EQ(stack_->getDeviceCount(), 3u);
    }
    void TearDown() override {
        stack_.reset();
        ConfigManager::instance().clear();
    }

    // Sends sub-command `sub` with the fields set; answers the reply.
    CommandPacket ask(std::uint32_t sub, const std::vector<Field>& fields) {
        CommandPacket packet{};
        auto* bytes = reinterpret_cast<std::uint8_t*>(&packet);
        for (std::size_t i = 28; i < 60; ++i) {
            bytes[i] = 0xEE;  // what the reply leaves alone stays recognisable
        }
        packet.command = 0xF5;
        packet.extra = sub;
        packet.status = 77;
        for (const Field& f : fields) {
            std::memcpy(bytes + f.offset, f.bytes.data(), f.bytes.size());
        }
        EXPECT_TRUE(stack_->advancedEnetCommand()->handle(packet, kCommandPacketSize));
        return packet;
    }
    static Bytes at(const CommandPacket& packet, std::size_t offset, std::size_t size) {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&packet);
        return Bytes(bytes + offset, bytes + offset + size);
    }

    lbtest::TempDisk disk_;
    std::unique_ptr<nIPStack::tIPStack> stack_;
};

TEST_F(cmd_AdvancedEnetTest, SubCommandsInTurn) {
    const Bytes untouched(4, 0xEE);
    struct Row {
        const char* what;
        std::uint32_t sub;
        std::vector<Field> in;
        std::uint8_t command;
        std::uint32_t status;    // of a NAK
        std::vector<Field> out;  // fields of the reply
    } rows[] = {
        {"count", 0, {}, ACK, 0, {{32, word(3)}}},
        {"second MAC", 1, {{32, word(1)}}, ACK, 0, {{36, kB}}},
        {"no fourth", 1, {{32, word(3)}}, NAK, 5, {{36, untouched}}},
        {"primary", 2, {}, ACK, 0, {{32, kA}}},
        {"unknown primary", 3, {{32, kUnknown}}, NAK, 5, {}},
        {"new primary", 3, {{32, kC}}, ACK, 0, {}},
        {"primary again", 2, {}, ACK, 0, {{32, kC}}},
        {"static",
         5,
         {{32, kB}, {40, word(2)}, {44, word(0x0A010203)}, {48, word(0xFF000000)}},
         ACK,
         0,
         {}},
        {"read static",
         4,
         {{32, kB}},
         ACK,
         0,
         {{40, word(2)}, {44, word(0x0A010203)}, {48, word(0xFF000000)}}},
        {"disabled", 5, {{32, kB}, {40, word(1)}, {44, word(0x0A010203)}}, ACK, 0, {}},
        {"zeros outside mode 2",
         4,
         {{32, kB}},
         ACK,
         0,
         {{40, word(1)}, {44, word(0)}, {48, word(0)}}},
        {"settings of no device", 4, {{32, kUnknown}}, NAK, 5, {{40, untouched}}},
        {"deterministic driver",
         6,
         {{32, kB}},
         ACK,
         0,
         {{40, word(7)}, {44, word(0x1F)}, {48, word(1)}}},
        {"ordinary driver", 6, {{32, kC}}, ACK, 0, {{40, word(3)}}},
        {"no such device", 6, {{32, kUnknown}}, NAK, 5, {{40, untouched}, {44, untouched}}},
        {"modes by default", 7, {{32, kA}}, ACK, 0, {{40, word(1)}, {44, word(1)}, {48, word(0)}}},
        {"set modes", 8, {{32, kA}, {40, word(16)}, {44, word(2)}, {48, word(30)}}, ACK, 0, {}},
        {"read modes", 7, {{32, kA}}, ACK, 0, {{40, word(16)}, {44, word(2)}, {48, word(30)}}},
        {"modes of no device", 7, {{32, kUnknown}}, NAK, 5, {{40, untouched}}},
        {"set modes of no device", 8, {{32, kUnknown}, {40, word(16)}}, NAK, 5, {}},
        {"limits", 9, {}, ACK, 0, {{32, word(64)}, {36, word(5)}}},
        {"set limits", 10, {{32, word(20)}, {36, word(9)}}, ACK, 0, {}},
        {"read limits", 9, {}, ACK, 0, {{32, word(20)}, {36, word(9)}}},
        {"no sub-command 11", 11, {}, NAK, 0, {{32, untouched}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const CommandPacket reply = ask(row.sub, row.in);
        EXPECT_EQ(reply.command, row.command);
        EXPECT_EQ(reply.status, row.command == NAK ? row.status : 77u);
        for (const Field& f : row.out) {
            EXPECT_EQ(at(reply, f.offset, f.bytes.size()), f.bytes) << "offset " << f.offset;
        }
    }
    // What the sub-commands stored.
    ConfigManager& system = ConfigManager::instance();
    EXPECT_EQ(system.getInt("TCP_Stack_Config", "Max_Sockets", 0), 20);
    EXPECT_EQ(system.getInt("kora", "RTEnetTTLFieldValue", 0), 9);
    EXPECT_EQ(system.getInt("kora", "RTEnetMode", -1), 1);
    EXPECT_EQ(system.getInt("kora", "RTEnetPollingDelay", -1), 30);
}

TEST_F(cmd_AdvancedEnetTest, ALockedControllerRefusesEverySubCommand) {
    ASSERT_TRUE(setRootPasswordHash(0x12345678, 0x9ABCDEF0));
    for (std::uint32_t sub : {0u, 2u, 9u, 11u}) {
        SCOPED_TRACE(sub);
        const CommandPacket reply = ask(sub, {});
        EXPECT_EQ(reply.command, NAK);
        EXPECT_EQ(reply.status, StatusAccessDenied);
        EXPECT_EQ(at(reply, 32, 4), Bytes(4, 0xEE));
    }
}

}  // namespace
}  // namespace rx_fwk
