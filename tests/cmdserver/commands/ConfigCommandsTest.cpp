// IpConfig, Preset, SpConfig, MacAddr and Serial: what they store, their guards, and host
// text that must not become structure in the settings file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "app/services/EmbeddedTarget.h"
#include "cmdserver/AccessCodes.h"
#include "config/RootPassword.h"
#include "kernel/base/Handle.h"
#include "kernel/fs/File.h"
#include "tests/cmdserver/commands/HandlerTest.h"
#include "tests/support/TempDisk.h"

namespace rx_fwk {
namespace {

// A platform that can store factory data, and records what it was given.
class FactoryTarget final : public EmbeddedTarget {
public:
    std::uint16_t targetCode() override { return 0x1234; }
    std::string targetTypeName() override { return "Factory Target"; }
    std::uint32_t serialNumber() override { return serial; }
    bool setSerialNumber(std::uint32_t value) override {
        serial = value;
        return true;
    }
    std::string osName() override { return "Quillon"; }
    std::string targetClass() override { return "Embedded"; }
    void applyPair(std::uint32_t first, std::uint32_t second) override {
        pairs.push_back({first, second});
    }
    std::int32_t switchState(int) override { return 2; }
    std::int32_t auxiliaryQuery(int) override { return 3; }
    bool setLed(int, bool) override { return false; }
    bool setMacAddress(const std::uint8_t value[6]) override {
        mac.assign(value, value + 6);
        return true;
    }
    [[noreturn]] void resetMachine() override { std::abort(); }

    std::uint32_t serial = 0;
    std::vector<std::uint8_t> mac;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs;
};

void putWord(std::vector<std::uint8_t>& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[offset + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

void putText(std::vector<std::uint8_t>& bytes, std::size_t offset, const std::string& text) {
    std::copy(text.begin(), text.end(), bytes.begin() + offset);
}

constexpr std::size_t kText2 = 60, kData = 92, kIp = 158, kMask = 162, kDns = 166, kGateway = 170,
                      kStatus = 174, kExtra = 178;

class ConfigCommandsTest : public HandlerTest {
protected:
    void SetUp() override {
        HandlerTest::SetUp();
        EmbeddedTarget::install(&target_);
    }
    void TearDown() override {
        EmbeddedTarget::install(nullptr);
        HandlerTest::TearDown();
    }
    std::string stored(const char* section, const char* key) {
        return ConfigManager::instance().getString(section, key, "(absent)");
    }
    // The file keeps the spelling it was created with, so it is read through the drive.
    static std::string settingsFile() {
        std::string bytes;
        HANDLE file = CreateFileA("C:\\zu-rt.ini", GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_NE(file, INVALID_HANDLE_VALUE);
        char buffer[4096];
        DWORD got = 0;
        while (file != INVALID_HANDLE_VALUE &&
               ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) {
            bytes.append(buffer, got);
        }
        CloseHandle(file);
        return bytes;
    }

    lbtest::TempDisk disk_;
    FactoryTarget target_;
};

TEST_F(ConfigCommandsTest, IpConfigFlagsChooseTheIPSettings) {
    struct Row {
        std::uint16_t flags;
        const char* address;  // what each of the four keys holds afterwards
        const char* gateway;
    } rows[] = {
        {0x0000, "USE_DHCP", "USE_DHCP"},
        {0x0080, "USE_DHCP", "USE_DHCP"},
        {0x0010, "192.168.5.20", "192.168.5.1"},
        {0x0090, "10.9.8.7", "10.9.8.1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.flags);
        ConfigManager::instance().clear();
        setting("TCP_Stack_Config", "IP_Address", "10.9.8.7");
        setting("TCP_Stack_Config", "Gateway", "10.9.8.1");
        auto bytes = request(CmdIpConfig);
        bytes[3] = static_cast<std::uint8_t>(row.flags >> 8);
        bytes[4] = static_cast<std::uint8_t>(row.flags);
        putWord(bytes, kIp, 0xC0A80514);
        putWord(bytes, kMask, 0xFFFFFF00);
        putWord(bytes, kGateway, 0xC0A80501);
        putWord(bytes, kDns, 0x08080808);
        auto reply = ask(bytes);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->command, ACK);
        EXPECT_EQ(stored("TCP_Stack_Config", "IP_Address"), row.address);
        EXPECT_EQ(stored("TCP_Stack_Config", "Gateway"), row.gateway);
        if (row.flags == 0x0010) {
            EXPECT_EQ(stored("TCP_Stack_Config", "Subnet_Mask"), "255.255.255.0");
            EXPECT_EQ(stored("TCP_Stack_Config", "DNS_Address"), "8.8.8.8");
        }
    }
}

TEST_F(ConfigCommandsTest, IpConfigStoresNameCommentAndPairAsPingReadsThem) {
    auto bytes = request(CmdIpConfig);
    bytes[3] = 0x00;
    bytes[4] = 0x90;
    putText(bytes, kText2, std::string(32, 'n'));  // no terminator: all 32 are the name
    std::fill(bytes.begin() + kData, bytes.begin() + kData + 64, 0);
    bytes[kData] = 0x41;
    bytes[kData + 1] = 0x42;
    bytes[156] = 0x04;  // commentFormat 1200
    bytes[157] = 0xB0;
    putWord(bytes, kStatus, 7);
    putWord(bytes, kExtra, 9);
    auto reply = ask(bytes);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->command, ACK);
    EXPECT_EQ(stored("SystemSettings", "Host_Name"), std::string(32, 'n'));
    EXPECT_EQ(stored("SystemSettings", "Comment"), "1424" + std::string(124, '0'));
    EXPECT_EQ(stored("SystemSettings", "Comment_Format"), "1200");
    ASSERT_EQ(target_.pairs.size(), 1u);
    EXPECT_EQ(target_.pairs[0], std::make_pair(7u, 9u));

    auto ping = request(CmdPing);
    auto pong = ask(ping);
    ASSERT_TRUE(pong);
    EXPECT_EQ(std::string(pong->text2, 32), std::string(32, 'n'));
    EXPECT_EQ(pong->commentFormat, 1200);
    EXPECT_EQ(std::vector<std::uint8_t>(pong->data, pong->data + 64),
              std::vector<std::uint8_t>(bytes.begin() + kData, bytes.begin() + kData + 64));
}

TEST_F(ConfigCommandsTest, HostTextNeverBecomesStructure) {
    for (const char* name :
         {"x\n[Security]\nRootPassword=passwd%%00000000", "x\r[Security]", "y\nHost_Name=z"}) {
        SCOPED_TRACE(name);
        ConfigManager::instance().clear();
        setting("SystemSettings", "Host_Name", "before");
        auto bytes = request(CmdIpConfig);
        bytes[3] = 0x00;
        bytes[4] = 0x90;
        std::fill(bytes.begin() + kText2, bytes.begin() + kText2 + 32, 0);
        putText(bytes, kText2, name);
        auto reply = ask(bytes);
        ASSERT_TRUE(reply);
        // A failed store is not reported in the reply; the rest of the request is stored.
        EXPECT_EQ(reply->command, ACK);
        EXPECT_EQ(stored("SystemSettings", "Host_Name"), "before");
        EXPECT_NE(stored("SystemSettings", "Comment"), "(absent)");
        const std::string file = settingsFile();
        EXPECT_EQ(file.find("[Security]"), std::string::npos) << file;
        EXPECT_EQ(file.find('\n', file.find("Host_Name=")), file.find("Host_Name=") + 17);
        EXPECT_TRUE(checkRootPassword(""));
    }
}

TEST_F(ConfigCommandsTest, GuardsOnALockedTarget) {
    ASSERT_TRUE(setRootPasswordHash(0x1234, 0x5678));
    disk_.writeHostFile("file.txt", "x");
    const std::string before = settingsFile();

    for (std::uint8_t code : {CmdIpConfig, CmdPreset, CmdSpConfig}) {
        SCOPED_TRACE(static_cast<int>(code));
        auto bytes = request(code);
        bytes[3] = 0;
        bytes[4] = 0x03;
        auto reply = ask(bytes);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->command, NAK);
        EXPECT_EQ(reply->status, StatusAccessDenied);
        EXPECT_EQ(settingsFile(), before);
    }
    EXPECT_TRUE(target_.pairs.empty());

    // The factory commands and Chmod are not guarded by the password.
    auto mac = request(CmdMacAddr);
    putText(mac, kData, kMacAddressAccessCode);
    auto serial = request(CmdSerial);
    putText(serial, kData, kSerialNumberAccessCode);
    auto chmod = request(CmdChmod);
    putText(chmod, 28, std::string("file.txt") + '\0');
    putWord(chmod, kStatus, 1);
    for (auto* bytes : {&mac, &serial, &chmod}) {
        SCOPED_TRACE(static_cast<int>((*bytes)[2]));
        auto reply = ask(*bytes);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->command, ACK);
    }
    EXPECT_EQ(settingsFile(), before);
}

TEST_F(ConfigCommandsTest, PresetClearsTheStaticSettingsAndThePair) {
    setting("TCP_Stack_Config", "IP_Address", "10.0.0.5");
    setting("TCP_Stack_Config", "Gateway", "10.0.0.1");  // no Subnet_Mask before it
    setting("TCP_Stack_Config", "Max_Sockets", "32");
    auto bytes = request(CmdPreset);
    auto reply = ask(bytes);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->command, ACK);
    EXPECT_EQ(stored("TCP_Stack_Config", "IP_Address"), "(absent)");
    EXPECT_EQ(stored("TCP_Stack_Config", "Gateway"), "(absent)");
    EXPECT_EQ(stored("TCP_Stack_Config", "Max_Sockets"), "32");
    ASSERT_EQ(target_.pairs.size(), 1u);
    EXPECT_EQ(target_.pairs[0], std::make_pair(0u, 0u));
}

TEST_F(ConfigCommandsTest, SpConfigSetsBothFlags) {
    struct Row {
        std::uint16_t flags;
        const char* halt;
        const char* protect;
    } rows[] = {{0x0000, "FALSE", "FALSE"},
                {0x0001, "(absent)", "FALSE"},
                {0x0002, "FALSE", "TRUE"},
                {0xFFFF, "(absent)", "TRUE"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.flags);
        auto bytes = request(CmdSpConfig);
        bytes[3] = static_cast<std::uint8_t>(row.flags >> 8);
        bytes[4] = static_cast<std::uint8_t>(row.flags);
        auto reply = ask(bytes);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->command, ACK);
        EXPECT_EQ(stored("TCP_Stack_Config", "Halt_On_Error"), row.halt);
        EXPECT_EQ(stored("SystemSettings", "Protect_Reboot"), row.protect);
    }
}

TEST_F(ConfigCommandsTest, FactoryCodesCompareExactlyTheirBytes) {
    const std::string mac = kMacAddressAccessCode, serial = kSerialNumberAccessCode;
    std::string macWrong = mac, serialWrong = serial;
    macWrong[23] = 'z';
    serialWrong[0] = 'm';
    struct Row {
        const char* what;
        std::uint8_t command;
        std::string data;  // the rest of `data` keeps the request's bytes
        bool desktop;
        bool granted;
    } rows[] = {
        {"mac code", CmdMacAddr, mac, false, true},
        {"mac code followed by anything", CmdMacAddr, mac + "trailing", false, true},
        {"mac code, last character wrong", CmdMacAddr, macWrong, false, false},
        {"mac code cut short", CmdMacAddr, mac.substr(0, 23) + '\0', false, false},
        {"mac code on a desktop PC", CmdMacAddr, mac, true, false},
        {"serial code", CmdSerial, serial + "xyz", false, true},
        {"serial code, one character wrong", CmdSerial, serialWrong, false, false},
        {"serial code cut short", CmdSerial, serial.substr(0, 25) + '\0', false, false},
        {"mac code for serial", CmdSerial, mac, false, false},
        {"serial code on a desktop PC", CmdSerial, serial, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        target_.mac.clear();
        target_.serial = 0;
        EmbeddedTarget::install(row.desktop ? nullptr : &target_);
        auto bytes = request(row.command);
        putText(bytes, kData, row.data);
        putText(bytes, kText2, std::string("\x02\x00\x5e\x01\x02\x03", 6));
        putWord(bytes, 10, 0x2F123456);
        const auto sent = lbtest::hostOrder(bytes);
        auto reply = ask(bytes);
        ASSERT_TRUE(reply);
        EXPECT_EQ(reply->command, row.granted ? ACK : NAK);
        EXPECT_EQ(reply->status, sent.status);
        const std::vector<std::uint8_t> kStoredMac = {2, 0, 0x5e, 1, 2, 3};
        const bool macStored = row.granted && row.command == CmdMacAddr;
        EXPECT_EQ(target_.mac, macStored ? kStoredMac : std::vector<std::uint8_t>());
        EXPECT_EQ(target_.serial, row.granted && row.command == CmdSerial ? 0x2F123456u : 0u);
    }
}

}  // namespace
}  // namespace rx_fwk
