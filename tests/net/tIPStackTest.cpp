// The IP stack service over drivers of the tests' own making (tests/drivers/TestDriver.cpp),
// loaded from C: as ethernet.ini lists them: the loader's edge cases, the bring-up and the
// device listing.
#include "net/tIPStack.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/services/Log.h"
#include "app/services/LoggingSetup.h"
#include "config/ConfigManager.h"
#include "kernel/module/Module.h"
#include "kernel/net/TcpDevice.h"
#include "kernel/net/TcpGlobalSettings.h"
#include "kernel/net/WinSock.h"
#include "net/DriverLoadOrder.h"
#include "tests/support/TempDisk.h"

namespace nIPStack {
namespace {

using Strings = std::vector<std::string>;

constexpr const char kIniPath[] = "C:\\drivers\\ethernet.ini";

std::string hostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

tMACAddress mac(std::uint8_t family, std::uint8_t n) {
    const std::uint8_t bytes[6] = {0x02, 0, 0, 0, family, n};
    return tMACAddress(bytes);
}

class tIPStackTest : public ::testing::Test {
protected:
    void SetUp() override { rx_fwk::ConfigManager::instance().clear(); }
    void TearDown() override { rx_fwk::ConfigManager::instance().clear(); }

    // Copies a test driver onto C: under a name of this test's own (so that it is a module
    // of its own) and answers its path there.
    std::string put(const std::string& driver) {
        static int copies = 0;
        const std::string name = driver + "_" + std::to_string(++copies) + ".dll";
        disk_.writeHostFile("drivers/" + name, hostFile(std::string(LIFEBOAT_TEST_DRIVER_DIR) +
                                                        "/" + driver + ".dll"));
        return "C:\\drivers\\" + name;
    }
    void writeIni(const std::string& text) { disk_.writeHostFile("drivers/ethernet.ini", text); }

    // The two drivers with devices: two devices (a deterministic driver) and three devices
    // of which the second fails.
    void twoDrivers() {
        writeIni("[drivers]\r\nStandardDrivers=Two;Three\r\n[Two]\r\nPath=" + put("testdrv_two") +
                 "\r\nDeterministicDriver=0\r\n[Three]\r\nPath=" + put("testdrv_three") + "\r\n");
    }

    template <class Function>
    static std::string console(Function&& function) {
        ::testing::internal::CaptureStdout();
        function();
        std::fflush(stdout);
        return ::testing::internal::GetCapturedStdout();
    }

    lbtest::TempDisk disk_;
};

TEST(DriverLoadOrder, StandardDriversFirstThenTheInstalledOnesSortedAndOnce) {
    struct Row {
        Strings standard, installed, order;
    } rows[] = {
        {{"Zeta", "Alpha"},
         {"beta", "Alpha", "alpha", "Beta", "beta"},
         {"Zeta", "Alpha", "Beta", "alpha", "beta"}},
        {{"A", "B", "C"}, {"A", "B", "C"}, {"A", "B", "C"}},
        {{}, {"b", "a"}, {"a", "b"}},
        {{"a", "a"}, {}, {"a", "a"}},  // the standard list is taken as written
        {{}, {}, {}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(driverLoadOrder(row.standard, row.installed), row.order);
    }
}

TEST_F(tIPStackTest, LoaderSkipsAndUnloadsWhatFailsAndKeepsTheDevicesThatCameUp) {
    const std::string none = put("testdrv_none"), old = put("testdrv_old"),
                      initFail = put("testdrv_initfail"), noEntry = put("testdrv_noentry");
    writeIni(
        "[DRIVERS]\r\n"
        "StandardDrivers=Two;None;Old\r\n"
        "IPEthernetDrivers=NoEntry;InitFail;Three;Missing;Absent;Two;\r\n"
        "[two]\r\nPath=" +
        put("testdrv_two") +
        "\r\nDeterministicDriver=0\r\n"
        "[Three]\r\nPath=" +
        put("testdrv_three") +
        "\r\n"
        "[None]\r\nPath=" +
        none + "\r\n[Old]\r\nPath=" + old +
        "\r\n"
        "[InitFail]\r\nPath=" +
        initFail + "\r\n[NoEntry]\r\nPath=" + noEntry +
        "\r\n"
        "[Absent]\r\nPath=C:\\drivers\\absent.dll\r\n");
    ASSERT_TRUE(
        rx_fwk::ConfigManager::instance().setBool("Debug", "TraceEthernetDriverLoading", true));
    tIPStack stack(kIniPath);
    const std::string out = console([&] { stack.getConfig(); });

    // Load order: the standard list, then the installed names it lacks, sorted.
    std::size_t at = 0;
    for (const char* name :
         {"Two", "None", "Old", "Absent", "InitFail", "Missing", "NoEntry", "Three"}) {
        SCOPED_TRACE(name);
        const std::size_t next = out.find(std::string("\nDriver ") + name + ":\n", at);
        ASSERT_NE(next, std::string::npos) << out;
        at = next;
    }
    for (const char* line : {
             "Using ethernet driver configuration file \"C:\\drivers\\ethernet.ini\".\n",
             "Standard drivers: Two;None;Old\n",
             "Installed drivers: NoEntry;InitFail;Three;Missing;Absent;Two;\n",
             "Calling getDriverObject(0100C000, 01004000).\n",
             "getDriverObject returned fatal error -3; unloading DLL.\n",
             "initializeDriver returned fatal error -7; unloading DLL.\n",
             "Could not find getDriverObject entry point; unloading DLL.\n",
             "Driver Missing:\n\n\tMissing No DLL path found.\n",
             "Load failed with error code 126.\n",
             "getDevice returned fatal error -7.\n",
             "Initializing devices for driver None.\n",
             "getNumberOfDevices returned 0.\nNo devices initialized; unloading driver.\n",
             "Device 1 initialized successfully.\n",
         }) {
        EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
    }

    ASSERT_EQ(stack.drivers().size(), 2u);
    EXPECT_EQ(stack.drivers()[0]->name, "Two");
    EXPECT_TRUE(stack.drivers()[0]->deterministic);  // any value, "0" too
    EXPECT_EQ(stack.drivers()[1]->name, "Three");
    EXPECT_FALSE(stack.drivers()[1]->deterministic);
    // Three's second device failed, and the status rule made it skip the third.
    ASSERT_EQ(stack.getDeviceCount(), 3u);
    const tMACAddress expected[] = {mac(0x21, 1), mac(0x21, 2), mac(0x31, 1)};
    for (unsigned i = 0; i < 3; ++i) {
        tMACAddress found;
        ASSERT_TRUE(stack.getDeviceMACAddress(i, found));
        EXPECT_EQ(found, expected[i]) << i;
        EXPECT_NE(TovTCPGetDeviceCfg(stack.devices()[i].handle), nullptr);
    }
    using Calls = unsigned (*)();
    auto calls =
        reinterpret_cast<Calls>(GetProcAddress(stack.drivers()[1]->module, "lbtestGetDeviceCalls"));
    ASSERT_NE(calls, nullptr);
    EXPECT_EQ(calls(), 2u);
    // Every driver without a device was unloaded again.
    for (const std::string& path : {none, old, initFail, noEntry}) {
        EXPECT_EQ(GetModuleHandleA(path.c_str()), nullptr) << path;
    }
    std::uint32_t modes = 0;
    EXPECT_TRUE(stack.getSupportedDeviceModes(mac(0x21, 2), modes));
    EXPECT_EQ(modes, 7u);
    EXPECT_TRUE(stack.getSupportedDeviceModes(mac(0x31, 1), modes));
    EXPECT_EQ(modes, 3u);
    EXPECT_FALSE(stack.getSupportedDeviceModes(mac(0x31, 2), modes));
}

TEST_F(tIPStackTest, ConsoleOfLoadingAndDiscovery) {
    const std::string none = put("testdrv_none");
    writeIni(
        "[drivers]\r\nStandardDrivers=None;none;Two\r\nIPEthernetDrivers=Two;Old;\r\n"
        "[NONE]\r\nPath=" +
        none + "\r\n[Two]\r\nPath=" + put("testdrv_two") +
        "\r\n[Old]\r\nPath=" + put("testdrv_old") + "\r\n");
    tIPStack stack(kIniPath);
    const std::string out = console([&] { stack.getConfig(); });
    // A name that differs only in case loads again; its section is found without regard to
    // case. On a plain stream a line without devices is ended rather than erased.
    EXPECT_EQ(out,
              "\nLoading Ethernet Drivers:"
              "\n\tNone \tinitialized successfully."
              "\n\tnone \tinitialized successfully."
              "\n\tTwo \tinitialized successfully."
              "\n\tOld "
              "\nFinding devices for Ethernet drivers:\n"
              "\tNone driver ... \n"
              "\tnone driver ... \n"
              "\tTwo driver ... found 2 device(s).\n");
    EXPECT_EQ(stack.drivers().size(), 1u);
    EXPECT_EQ(GetModuleHandleA(none.c_str()), nullptr);  // both uses released
}

TEST_F(tIPStackTest, StartWithoutDevicesFailsLogsAndGoesOn) {
    auto settings = rx_fwk::ConfigManager::create("C:\\none.ini");
    ASSERT_EQ(rx_fwk::setUpLogging(*settings, "C:\\errlog.txt"), 0);
    tIPStack stack("C:\\drivers\\missing.ini");
    bool started = true;
    const std::string out = console([&] { started = stack.start(); });
    EXPECT_FALSE(started);
    EXPECT_FALSE(stack.isRunning());
    EXPECT_EQ(out,
              "\nLoading Ethernet Drivers:"
              "\nFinding devices for Ethernet drivers:\n"
              "\tError! No supported network devices found. A network adapter with\n"
              "\ta supported ethernet chipset is required.\n"
              "\tUnable to configure the primary network device.\n");
    rx_fwk::ErrorLogMessage message;
    ASSERT_TRUE(rx_fwk::readErrorLog(0, message));
    EXPECT_EQ(message.level, 0);
    EXPECT_EQ(message.code, 40);
    EXPECT_EQ(message.subCode, 41);
    EXPECT_EQ(message.firstText, "Unable to configure the primary network device.");
    EXPECT_EQ(message.secondText, "");
    EXPECT_FALSE(rx_fwk::readErrorLog(1, message));
    rx_fwk::closeErrorLog();
    // Asked again, the start repeats and fails the same way.
    EXPECT_FALSE(stack.start());
    EXPECT_EQ(stack.getIPAddress(), "");
    tMACAddress first;
    EXPECT_FALSE(stack.getFirstMACAddress(first));
}

TEST_F(tIPStackTest, StartBringsUpThePrimaryAndListsEveryDevice) {
    twoDrivers();
    rx_fwk::ConfigManager& settings = rx_fwk::ConfigManager::instance();
    ASSERT_TRUE(settings.setString("SystemSettings", "Host_Name", "controller-seven"));
    ASSERT_TRUE(settings.setInt("TCP_Stack_Config", "Max_Sockets", 40));
    tIPStack stack(kIniPath);
    iMultiDeviceIPConfig& config = *stack.getConfig();
    const tMACAddress first = mac(0x21, 1), second = mac(0x21, 2), third = mac(0x31, 1);
    // The primary polled every 25 ms; the second deterministic; the third at a static
    // address, which needs IP settings stored to come up.
    ASSERT_TRUE(config.setOperationMode(first, OperationPolled, OperationInterrupt, 25));
    ASSERT_TRUE(config.setMediaMode(first, Media100Full, MediaAuto));
    ASSERT_TRUE(config.setDeviceSettings(second, DeviceDeterministic, "", ""));
    ASSERT_TRUE(config.setDeviceSettings(third, DeviceTCPIP, "10.1.2.3", "255.0.0.0"));

    std::string out = console([&] { EXPECT_TRUE(stack.start()); });
    EXPECT_EQ(out,
              "Initializing network...\n"
              "Device 1 - MAC address: 02:00:00:00:21:01 - 127.0.0.1 (primary)\n"
              "Device 2 - MAC address: 02:00:00:00:21:02 - deterministic\n"
              "Device 3 - MAC address: 02:00:00:00:31:01 - disabled\n");
    EXPECT_TRUE(stack.isRunning());
    const tDeviceEntry& primary = stack.devices()[0];
    EXPECT_EQ(primary.mode, 2u);
    EXPECT_EQ(stack.devices()[1].mode, 4u);
    using Setting = std::uint32_t (*)(unsigned, unsigned);
    auto setting =
        reinterpret_cast<Setting>(GetProcAddress(stack.drivers()[0]->module, "lbtestSetting"));
    ASSERT_NE(setting, nullptr);
    EXPECT_EQ(setting(0, nZUKORAEthernet100::kMediaMode), 16u);
    EXPECT_EQ(setting(0, nZUKORAEthernet100::kOperationMode), 2u);
    EXPECT_EQ(setting(0, nZUKORAEthernet100::kPollingInterval), 25u);
    EXPECT_EQ(setting(1, nZUKORAEthernet100::kOperationMode), 0u);  // never configured

    const TovTCPDeviceCfg* record = TovTCPGetDeviceCfg(primary.handle);
    ASSERT_NE(record, nullptr);
    EXPECT_STREQ(record->hostName, "controller-seven");
    TovTCPDeviceStatus status{};
    status.size = sizeof status;
    ASSERT_EQ(TovTCPGetDeviceStatus(primary.handle, &status), 0);
    EXPECT_NE(status.flags & kTovTCPDeviceActive, 0u);
    TovTCPGlobalSettings global{};
    ASSERT_EQ(TovTCPGetGlobalSettings(&global), 0);
    EXPECT_EQ(global.maxSockets, 40);
    EXPECT_EQ(global.dns.retries, 2u);
    EXPECT_EQ(global.dns.timeoutSeconds, 10u);
    EXPECT_EQ(global.gateway.device, primary.handle);
    bool dhcp = false;
    std::string address, mask;
    stack.getIPSettings(&dhcp, &address, &mask, nullptr, nullptr);
    EXPECT_TRUE(dhcp);
    EXPECT_EQ(address, "127.0.0.1");
    EXPECT_EQ(mask, "255.0.0.0");
    std::string interfaceName;
    EXPECT_TRUE(stack.getPrimaryInterface(interfaceName));
    EXPECT_EQ(interfaceName, "lo");

    // Stopped, the devices are inactive; with IP settings stored the third comes up too.
    EXPECT_TRUE(stack.stop());
    EXPECT_FALSE(stack.isRunning());
    ASSERT_EQ(TovTCPGetDeviceStatus(primary.handle, &status), 0);
    EXPECT_EQ(status.flags & kTovTCPDeviceActive, 0u);
    ASSERT_TRUE(config.setTCPStackConfig(true, "", "", "", ""));
    out = console([&] { EXPECT_TRUE(stack.start()); });
    EXPECT_NE(out.find("Device 3 - MAC address: 02:00:00:00:31:01 - 10.1.2.3\n"), std::string::npos)
        << out;
    const TovTCPDeviceCfg* third3 = TovTCPGetDeviceCfg(stack.devices()[2].handle);
    ASSERT_NE(third3, nullptr);
    EXPECT_EQ(third3->address, inet_addr("10.1.2.3"));
    EXPECT_EQ(third3->netmask, inet_addr("255.0.0.0"));
    ASSERT_EQ(TovTCPGetDeviceStatus(stack.devices()[2].handle, &status), 0);
    EXPECT_NE(status.flags & kTovTCPDeviceActive, 0u);
    stack.stop();
}

}  // namespace
}  // namespace nIPStack
