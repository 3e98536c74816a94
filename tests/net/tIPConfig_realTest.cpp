// The IP configuration: reconciliation of netconf.ini with the devices present, and the
// settings it keeps in C:\zu-rt.ini and netconf.ini.
#include "net/tIPConfig_real.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "config/ConfigManager.h"
#include "kernel/fs/File.h"
#include "tests/support/TempDisk.h"

namespace nIPStack {
namespace {

using rx_fwk::ConfigManager;

const tMACAddress A(std::string("00802F000001"));
const tMACAddress B(std::string("00802F000002"));
const tMACAddress C(std::string("00802F000003"));
const tMACAddress N(std::string("00802F00000A"));
const tMACAddress kNone;

// A key of either file; a null value means the key is absent.
struct Entry {
    const char* section;
    const char* key;
    const char* value;
};

class tIPConfig_realTest : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { ConfigManager::instance().clear(); }

    // Settings models outlive the files of an earlier disk: start both files empty.
    void reset() {
        CreateDirectoryA("C:\\zu-rt", nullptr);
        CreateDirectoryA("C:\\zu-rt\\system", nullptr);
        CreateDirectoryA("C:\\zu-rt\\system\\ethernet", nullptr);
        ASSERT_TRUE(netconf_->clear());
        ASSERT_TRUE(system_.clear());
    }
    static void put(ConfigManager& file, const std::vector<Entry>& entries) {
        for (const Entry& e : entries) {
            ASSERT_TRUE(file.setString(e.section, e.key, e.value)) << e.section << "/" << e.key;
        }
    }
    static void expect(ConfigManager& file, const std::vector<Entry>& entries) {
        for (const Entry& e : entries) {
            SCOPED_TRACE(std::string(e.section) + "/" + e.key);
            if (e.value == nullptr) {
                EXPECT_FALSE(file.keyExists(e.section, e.key));
            } else {
                EXPECT_EQ(file.getString(e.section, e.key, "(absent)"), e.value);
            }
        }
    }
    std::string netconf(const tMACAddress& mac, const char* key) {
        return netconf_->getString(mac.compactText(), key, "(absent)");
    }

    lbtest::TempDisk disk_;
    std::unique_ptr<ConfigManager> netconf_ = ConfigManager::create(tIPConfig_real::kNetconfPath);
    ConfigManager& system_ = ConfigManager::instance();
};

TEST_F(tIPConfig_realTest, ConstructionReconcilesTheDevicesPresent) {
    const Entry kBStatic[] = {{"00802F000002", "Mode", "TCPIP"},
                              {"00802F000002", "IP_Address", "10.0.0.5"},
                              {"00802F000002", "Subnet_Mask", "255.0.0.0"}};
    const std::vector<Entry> kBStaticList(std::begin(kBStatic), std::end(kBStatic));
    auto with = [&](std::vector<Entry> entries) {
        entries.insert(entries.end(), kBStaticList.begin(), kBStaticList.end());
        return entries;
    };
    struct Row {
        const char* what;
        std::vector<Entry> netconfBefore, systemBefore;
        std::vector<tMACAddress> devices;
        tMACAddress primary;
        std::vector<Entry> netconfAfter, systemAfter;
    } rows[] = {
        {"first boot",
         {},
         {},
         {A, B, C},
         A,
         {{"General", "MACAddresses", "00802F000001;00802F000002;00802F000003;"},
          {"General", "PrimaryMAC", "00802F000001"},
          {"00802F000001", "Mode", nullptr},
          {"00802F000002", "Mode", "Disabled"},
          {"00802F000003", "Mode", "Disabled"}},
         {}},
        {"the same devices again",
         with({{"General", "MACAddresses", "00802F000001;00802F000002;"},
               {"General", "PrimaryMAC", "00802F000001"}}),
         {},
         {A, B},
         A,
         kBStaticList,
         {}},
        {"primary adapter replaced",
         with({{"General", "MACAddresses", "00802F000001;00802F000002;"},
               {"General", "PrimaryMAC", "00802F000001"}}),
         {},
         {N, B},
         N,
         with({{"General", "MACAddresses", "00802F000002;00802F00000A;"},
               {"General", "PrimaryMAC", "00802F00000A"},
               {"00802F00000A", "Mode", nullptr}}),
         {}},
        {"secondary adapter replaced",
         with({{"General", "MACAddresses", "00802F000001;00802F000002;"},
               {"General", "PrimaryMAC", "00802F000001"},
               {"00802F000002", "MediaMode", "100Full"}}),
         {},
         {A, N},
         A,
         {{"00802F00000A", "Mode", "TCPIP"},
          {"00802F00000A", "IP_Address", "10.0.0.5"},
          {"00802F00000A", "Subnet_Mask", "255.0.0.0"},
          {"00802F000002", "Mode", nullptr},
          {"00802F000002", "IP_Address", nullptr},
          {"00802F000002", "Subnet_Mask", nullptr},
          {"00802F000002", "MediaMode", "100Full"}},
         {}},
        {"primary gone, first device in TCP/IP mode",
         with({{"General", "MACAddresses", "00802F000001;00802F000002;00802F000003;"},
               {"General", "PrimaryMAC", "00802F000001"}}),
         {{"TCP_Stack_Config", "IP_Address", "192.168.1.9"},
          {"TCP_Stack_Config", "Gateway", "192.168.1.1"},
          {"TCP_Stack_Config", "DNS_Address", "192.168.1.2"}},
         {B, C},
         B,
         {{"General", "PrimaryMAC", "00802F000002"}, {"00802F000002", "Mode", nullptr}},
         {{"TCP_Stack_Config", "IP_Address", "10.0.0.5"},
          {"TCP_Stack_Config", "Subnet_Mask", "255.0.0.0"},
          {"TCP_Stack_Config", "Gateway", "0.0.0.0"},
          {"TCP_Stack_Config", "DNS_Address", "0.0.0.0"}}},
        {"primary gone, first device disabled",
         {{"General", "MACAddresses", "00802F000001;00802F000002;"},
          {"General", "PrimaryMAC", "00802F000001"},
          {"00802F000002", "Mode", "Disabled"}},
         {{"TCP_Stack_Config", "IP_Address", "192.168.1.9"}},
         {B},
         B,
         {{"General", "PrimaryMAC", "00802F000002"}, {"00802F000002", "Mode", nullptr}},
         {{"TCP_Stack_Config", "IP_Address", "192.168.1.9"},
          {"TCP_Stack_Config", "Subnet_Mask", nullptr}}},
        {"secondary gone",
         with({{"General", "MACAddresses", "00802F000001;00802F000002;00802F000003;"},
               {"General", "PrimaryMAC", "00802F000001"},
               {"00802F000003", "Mode", "Disabled"}}),
         {},
         {A, C},
         A,
         {{"General", "MACAddresses", "00802F000001;00802F000003;"},
          {"00802F000002", "Mode", nullptr},
          {"00802F000002", "IP_Address", nullptr},
          {"00802F000003", "Mode", "Disabled"}},
         {}},
        {"entries that do not parse are skipped",
         {{"General", "MACAddresses", "zz;00802F000001;00-80-2F-00-00-02;;"},
          {"General", "PrimaryMAC", "00802F000001"}},
         {},
         {A, B},
         A,
         {{"General", "MACAddresses", "00802F000001;00802F000002;"},
          {"00802F000002", "Mode", "Disabled"}},
         {}},
        {"stored primary does not parse",
         with({{"General", "MACAddresses", "00802F000001;00802F000002;"},
               {"General", "PrimaryMAC", "nonsense"}}),
         {},
         {A, B},
         A,
         with({{"General", "PrimaryMAC", "00802F000001"}}),
         {}},
        {"stored primary was not present at the last boot",
         {{"General", "MACAddresses", "00802F000001;00802F000002;"},
          {"General", "PrimaryMAC", "00802F000003"}},
         {},
         {A, B},
         A,
         {{"General", "PrimaryMAC", "00802F000001"}},
         {}},
        {"a first device that is not the primary is disabled",
         {{"General", "MACAddresses", "00802F000001;00802F000002;"},
          {"General", "PrimaryMAC", "00802F000002"},
          {"00802F000001", "Mode", "TCPIP"},
          {"00802F000001", "IP_Address", "10.0.0.7"},
          {"00802F000001", "Subnet_Mask", "255.0.0.0"}},
         {},
         {A, B},
         B,
         {{"00802F000001", "Mode", "Disabled"},
          {"00802F000001", "IP_Address", nullptr},
          {"00802F000001", "Subnet_Mask", nullptr}},
         {}},
        {"no device at all",
         {},
         {},
         {},
         kNone,
         {{"General", "MACAddresses", ""}, {"General", "PrimaryMAC", "000000000000"}},
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        reset();
        put(*netconf_, row.netconfBefore);
        put(system_, row.systemBefore);
        tIPConfig_real config(row.devices);
        tMACAddress primary(std::string("FFFFFFFFFFFF"));
        config.getPrimaryMAC(primary);
        EXPECT_EQ(primary.compactText(), row.primary.compactText());
        expect(*netconf_, row.netconfAfter);
        expect(system_, row.systemAfter);
    }
}

TEST_F(tIPConfig_realTest, ConstructionCreatesTheEthernetDirectory) {
    std::filesystem::remove_all(disk_.hostPath("zu-rt"));
    tIPConfig_real config({A});
    EXPECT_EQ(disk_.readHostFile("zu-rt/system/ethernet/netconf.ini"),
              "[General]\r\nMACAddresses=00802F000001;\r\nPrimaryMAC=00802F000001\r\n\r\n");
}

TEST_F(tIPConfig_realTest, TCPStackSettings) {
    tIPConfig_real config({A});
    struct Row {
        const char* address;  // null: no key
        bool configured;
    } rows[] = {{nullptr, false}, {"0.0.0.0", false}, {"USE_DHCP", true}, {"10.0.0.5", true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.address ? row.address : "none");
        system_.clear();
        if (row.address != nullptr) {
            put(system_, {{"TCP_Stack_Config", "IP_Address", row.address}});
        }
        EXPECT_EQ(config.isIPConfigured(), row.configured);
    }

    EXPECT_TRUE(config.setTCPStackConfig(false, "10.0.0.5", "255.0.0.0", "10.0.0.1", "10.0.0.2"));
    expect(system_, {{"TCP_Stack_Config", "IP_Address", "10.0.0.5"},
                     {"TCP_Stack_Config", "Subnet_Mask", "255.0.0.0"},
                     {"TCP_Stack_Config", "Gateway", "10.0.0.1"},
                     {"TCP_Stack_Config", "DNS_Address", "10.0.0.2"}});
    // The device always comes up by DHCP; the stored address is read back alone.
    bool dhcp = false;
    std::string address = "x", mask = "x", gateway = "x", dns = "x";
    config.getTCPStackConfig(&dhcp, &address, &mask, &gateway, &dns);
    EXPECT_TRUE(dhcp);
    EXPECT_EQ(address + mask + gateway + dns, "");
    config.getTCPStackConfig(nullptr, &address, nullptr, nullptr, nullptr);
    EXPECT_EQ(address, "10.0.0.5");

    EXPECT_TRUE(config.setTCPStackConfig(true, "10.0.0.5", "", "", ""));
    for (const char* key : {"IP_Address", "Subnet_Mask", "Gateway", "DNS_Address"}) {
        EXPECT_EQ(system_.getString("TCP_Stack_Config", key, ""), "USE_DHCP") << key;
    }

    // Every key goes, also after one that was already missing.
    ASSERT_TRUE(system_.removeKey("TCP_Stack_Config", "Subnet_Mask"));
    put(system_, {{"TCP_Stack_Config", "Max_Sockets", "32"}});
    EXPECT_TRUE(config.clearTCPStackConfig());
    expect(system_, {{"TCP_Stack_Config", "IP_Address", nullptr},
                     {"TCP_Stack_Config", "Gateway", nullptr},
                     {"TCP_Stack_Config", "DNS_Address", nullptr},
                     {"TCP_Stack_Config", "Max_Sockets", "32"}});
    EXPECT_TRUE(config.clearTCPStackConfig());
}

TEST_F(tIPConfig_realTest, HostNameHaltOnErrorAndLimits) {
    tIPConfig_real config({A});
    put(system_, {{"SystemSettings", "Host_Name", std::string(40, 'n').c_str()}});
    std::string name;
    EXPECT_EQ(config.getHostName(name), std::string(32, 'n'));
    EXPECT_EQ(name, std::string(32, 'n'));
    EXPECT_TRUE(config.setHostName(""));
    EXPECT_TRUE(config.setHostName(""));  // nothing left to remove is no failure
    expect(system_, {{"SystemSettings", "Host_Name", nullptr}});
    EXPECT_FALSE(config.setHostName("x\n[Security]\nRootPassword=passwd%%0000000000000000"));
    expect(system_,
           {{"SystemSettings", "Host_Name", nullptr}, {"Security", "RootPassword", nullptr}});

    EXPECT_TRUE(config.setHaltOnError(false));
    expect(system_, {{"TCP_Stack_Config", "Halt_On_Error", "FALSE"}});
    EXPECT_FALSE(config.getHaltOnError());
    EXPECT_TRUE(config.setHaltOnError(true));
    expect(system_, {{"TCP_Stack_Config", "Halt_On_Error", nullptr}});

    EXPECT_EQ(config.getMaxSockets(), 64);
    EXPECT_TRUE(config.setMaxSockets(32));
    EXPECT_EQ(config.getMaxSockets(), 32);
    EXPECT_TRUE(config.setMaxSockets(64));
    expect(system_, {{"TCP_Stack_Config", "Max_Sockets", nullptr}});
    EXPECT_EQ(config.getTTLFieldValue(), 5);
    EXPECT_TRUE(config.setTTLFieldValue(64));
    expect(system_, {{"kora", "RTEnetTTLFieldValue", "64"}});
}

TEST_F(tIPConfig_realTest, DeviceSettingsAndPrimaryOnlyForListedDevices) {
    tIPConfig_real config({A, B});
    std::int32_t mode = 0;
    std::string address, mask;
    EXPECT_FALSE(config.getDeviceSettings(C, mode, address, mask));
    EXPECT_FALSE(config.setDeviceSettings(C, DeviceTCPIP, "10.0.0.5", "255.0.0.0"));
    EXPECT_FALSE(config.setPrimaryMAC(C));
    EXPECT_FALSE(config.getMediaMode(C, &mode, MediaAuto));
    EXPECT_FALSE(config.setOperationMode(C, OperationPolled, OperationInterrupt, 5));
    EXPECT_FALSE(netconf_->keyExists("00802F000003", "Mode"));

    struct Row {
        const char* stored;
        std::int32_t mode;
    } rows[] = {{"tcpip", DeviceTCPIP},
                {"Deterministic", DeviceDeterministic},
                {"Disabled", DeviceDisabled},
                {"bogus", DeviceDisabled}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.stored);
        put(*netconf_, {{"00802F000002", "Mode", row.stored}});
        EXPECT_TRUE(config.getDeviceSettings(B, mode, address, mask));
        EXPECT_EQ(mode, row.mode);
    }
    EXPECT_TRUE(config.setDeviceSettings(B, DeviceTCPIP, "10.0.0.5", "255.0.0.0"));
    EXPECT_EQ(netconf(B, "Mode"), "TCPIP");
    EXPECT_TRUE(config.getDeviceSettings(B, mode, address, mask));
    EXPECT_EQ(address + " " + mask, "10.0.0.5 255.0.0.0");
    EXPECT_TRUE(config.setDeviceSettings(B, DeviceDisabled, "10.0.0.5", "255.0.0.0"));
    expect(*netconf_, {{"00802F000002", "Mode", "Disabled"},
                       {"00802F000002", "IP_Address", nullptr},
                       {"00802F000002", "Subnet_Mask", nullptr}});

    // B's section holds only a Mode: the keys that are already gone are no failure.
    EXPECT_TRUE(config.setPrimaryMAC(B));
    tMACAddress primary;
    config.getPrimaryMAC(primary);
    EXPECT_EQ(primary, B);
    expect(*netconf_,
           {{"General", "PrimaryMAC", "00802F000002"}, {"00802F000002", "Mode", nullptr}});
}

TEST_F(tIPConfig_realTest, MediaModeFromTheOlderKeysOfTheFirstDeviceOrItsSection) {
    tIPConfig_real config({A, B});
    struct Row {
        const tMACAddress& mac;
        const char* speed;      // kora RTEnetSpeed, null: absent
        const char* duplex;     // kora RTEnetDuplex
        const char* mediaMode;  // MediaMode of the device's section
        std::int32_t deviceDefault, expected;
    } rows[] = {
        {A, "1000", "full", "10Half", MediaAuto, Media100Full},
        {A, "10", "HALF", nullptr, MediaAuto, Media10Half},
        {A, "100", "half", nullptr, MediaAuto, Media100Half},
        {A, nullptr, "full", nullptr, MediaAuto, Media100Full},
        {A, "10", nullptr, nullptr, MediaAuto, Media10Full},
        {A, nullptr, nullptr, "10half", MediaAuto, Media10Half},
        {B, "10", "half", "1000FULL", MediaAuto, Media1000Full},
        {B, nullptr, nullptr, "auto", Media100Half, MediaAuto},
        {B, nullptr, nullptr, nullptr, Media100Half, Media100Half},
        {B, nullptr, nullptr, "bogus", Media10Full, Media10Full},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.mac.compactText() << " " << row.expected);
        system_.clear();
        netconf_->removeKey(row.mac.compactText(), "MediaMode");
        if (row.speed) {
            put(system_, {{"kora", "RTEnetSpeed", row.speed}});
        }
        if (row.duplex) {
            put(system_, {{"kora", "RTEnetDuplex", row.duplex}});
        }
        if (row.mediaMode) {
            put(*netconf_, {{row.mac.compactText().c_str(), "MediaMode", row.mediaMode}});
        }
        std::int32_t mode = 0;
        EXPECT_TRUE(config.getMediaMode(row.mac, &mode, row.deviceDefault));
        EXPECT_EQ(mode, row.expected);
    }
    EXPECT_TRUE(config.getMediaMode(A, nullptr, MediaAuto));
}

TEST_F(tIPConfig_realTest, OperationModeAndClampedInterval) {
    tIPConfig_real config({A, B});
    struct Row {
        const tMACAddress& mac;
        const char* legacyMode;  // kora RTEnetMode, null: absent
        const char* delay;       // kora RTEnetPollingDelay
        const char* mode;        // OperationMode of the device's section
        const char* interval;    // PollingInterval of the device's section
        std::int32_t deviceDefault, expected, expectedInterval;
    } rows[] = {
        {A, "1", nullptr, "Interrupt", nullptr, OperationInterrupt, OperationPolled, 1},
        {A, "1", "20000", nullptr, nullptr, OperationInterrupt, OperationPolled, 10000},
        {A, "1", "0", nullptr, nullptr, OperationInterrupt, OperationPolled, 1},
        {A, "0", "50", nullptr, nullptr, OperationPolled, OperationInterrupt, 0},
        {A, nullptr, "50", nullptr, nullptr, OperationPolled, OperationInterrupt, 0},
        {A, nullptr, nullptr, "polling", "250", OperationInterrupt, OperationPolled, 250},
        {B, "1", "7", nullptr, nullptr, OperationInterrupt, OperationInterrupt, 0},
        {B, nullptr, nullptr, "POLLING", "0", OperationInterrupt, OperationPolled, 1},
        {B, nullptr, nullptr, "Polling", "20000", OperationInterrupt, OperationPolled, 10000},
        {B, nullptr, nullptr, "interrupt", "5", OperationPolled, OperationInterrupt, 0},
        {B, nullptr, nullptr, nullptr, nullptr, OperationPolled, OperationPolled, 1},
        {B, nullptr, nullptr, "bogus", "-3", OperationPolled, OperationPolled, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.mac.compactText() << " " << row.expected << " "
                                        << row.expectedInterval);
        system_.clear();
        const std::string section = row.mac.compactText();
        netconf_->removeKey(section, "OperationMode");
        netconf_->removeKey(section, "PollingInterval");
        if (row.legacyMode) {
            put(system_, {{"kora", "RTEnetMode", row.legacyMode}});
        }
        if (row.delay) {
            put(system_, {{"kora", "RTEnetPollingDelay", row.delay}});
        }
        if (row.mode) {
            put(*netconf_, {{section.c_str(), "OperationMode", row.mode}});
        }
        if (row.interval) {
            put(*netconf_, {{section.c_str(), "PollingInterval", row.interval}});
        }
        std::int32_t mode = 0, interval = -5;
        EXPECT_TRUE(config.getOperationMode(row.mac, &mode, row.deviceDefault, &interval));
        EXPECT_EQ(mode, row.expected);
        EXPECT_EQ(interval, row.expectedInterval);
    }
}

TEST_F(tIPConfig_realTest, SettingModesKeepsTheOlderKeysOfTheFirstDeviceUpToDate) {
    tIPConfig_real config({A, B});
    EXPECT_TRUE(config.setMediaMode(A, Media100Half, MediaAuto));
    expect(system_, {{"kora", "RTEnetSpeed", nullptr}, {"kora", "RTEnetDuplex", "half"}});
    EXPECT_EQ(netconf(A, "MediaMode"), "100Half");
    EXPECT_TRUE(config.setMediaMode(A, Media10Full, MediaAuto));
    expect(system_, {{"kora", "RTEnetSpeed", "10"}, {"kora", "RTEnetDuplex", nullptr}});
    EXPECT_TRUE(config.setMediaMode(A, Media1000Full, MediaAuto));
    expect(system_, {{"kora", "RTEnetSpeed", nullptr}, {"kora", "RTEnetDuplex", nullptr}});
    EXPECT_EQ(netconf(A, "MediaMode"), "1000Full");
    std::int32_t mode = 0;
    EXPECT_TRUE(config.getMediaMode(A, &mode, MediaAuto));
    EXPECT_EQ(mode, Media1000Full);
    EXPECT_TRUE(config.setMediaMode(A, MediaAuto, MediaAuto));
    EXPECT_EQ(netconf(A, "MediaMode"), "(absent)");

    EXPECT_TRUE(config.setMediaMode(B, Media10Half, MediaAuto));
    EXPECT_EQ(netconf(B, "MediaMode"), "10Half");
    expect(system_, {{"kora", "RTEnetSpeed", nullptr}, {"kora", "RTEnetDuplex", nullptr}});

    EXPECT_TRUE(config.setOperationMode(A, OperationPolled, OperationInterrupt, 250));
    expect(system_, {{"kora", "RTEnetMode", "1"}, {"kora", "RTEnetPollingDelay", "250"}});
    EXPECT_EQ(netconf(A, "OperationMode"), "Polling");
    EXPECT_EQ(netconf(A, "PollingInterval"), "250");
    std::int32_t interval = 0;
    EXPECT_TRUE(config.getOperationMode(A, &mode, OperationInterrupt, &interval));
    EXPECT_EQ(mode, OperationPolled);
    EXPECT_EQ(interval, 250);
    EXPECT_TRUE(config.setOperationMode(A, OperationInterrupt, OperationInterrupt, 250));
    expect(system_, {{"kora", "RTEnetMode", nullptr}, {"kora", "RTEnetPollingDelay", nullptr}});
    EXPECT_EQ(netconf(A, "OperationMode"), "(absent)");
    EXPECT_EQ(netconf(A, "PollingInterval"), "(absent)");

    EXPECT_TRUE(config.setOperationMode(B, OperationInterrupt, OperationPolled, 9));
    EXPECT_EQ(netconf(B, "OperationMode"), "Interrupt");
    expect(system_, {{"kora", "RTEnetMode", nullptr}});
}

}  // namespace
}  // namespace nIPStack
