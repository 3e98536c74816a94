// The family drivers and the host network driver as the image carries them on B:, loaded by
// an IP stack service in a network namespace of the test's own, with a PCI tree of the
// test's making.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "config/ConfigManager.h"
#include "kernel/hw/posix/PciSysfs.h"
#include "kernel/module/Module.h"
#include "kernel/net/TcpDevice.h"
#include "kernel/time/Time.h"
#include "net/tIPStack.h"
#include "tests/support/DebugCapture.h"
#include "tests/support/PrivateNetwork.h"
#include "tests/support/TempDisk.h"

namespace nIPStack {
namespace {

namespace fs = std::filesystem;

constexpr const char kIniPath[] = "C:\\zu-rt\\system\\ethernet\\ethernet.ini";

// veth pairs with fixed addresses: a is up; b is up unless `bDown`.
bool makePair(const std::string& a, const std::string& macA, const std::string& b,
              const std::string& macB, bool bDown = false) {
    return lbtest::inPrivateNetwork(
        "ip link add " + a + " address " + macA + " type veth peer name " + b + " address " + macB +
        " && ip link set " + a + " up" + (bDown ? "" : " && ip link set " + b + " up"));
}

void removeLink(const std::string& name) {
    lbtest::inPrivateNetwork("ip link del " + name + " 2>/dev/null");
}

class InterfaceDrivers : public ::testing::Test {
protected:
    void SetUp() override {
        LBTEST_REQUIRE_PRIVATE_NETWORK();
        rx_fwk::ConfigManager::instance().clear();
    }
    void TearDown() override {
        TovPCIUseSysfsRoot("");
        if (!pciRoot_.empty()) {
            fs::remove_all(pciRoot_);
        }
        for (const std::string& link : links_) {
            removeLink(link);
        }
        rx_fwk::ConfigManager::instance().clear();
    }

    void writeIni(const std::string& drivers, const std::string& interfaces) {
        disk_.writeHostFile("zu-rt/system/ethernet/ethernet.ini",
                            "[DRIVERS]\r\nStandardDrivers=" + drivers +
                                "\r\n[INTEL 8254X ETHERNET]\r\nPath=B:\\i8254x.dll\r\n"
                                "[BROADCOM 57XX ETHERNET]\r\nPath=B:\\bcm57xx.dll\r\n"
                                "[HOST NETWORK ETHERNET]\r\nPath=B:\\hostnet.dll\r\n"
                                "Interfaces=" +
                                interfaces + "\r\n");
    }
    // A PCI bus with one 82540EM bound to `bound` and one 5700 bound to nothing.
    void fakePci(const std::string& bound) {
        std::string pattern = (fs::temp_directory_path() / "lifeboat-pci-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        pciRoot_ = pattern;
        const struct {
            const char* name;
            const char* vendor;
            const char* device;
            std::string net;
        } functions[] = {{"0000:00:03.0", "0x8086", "0x100e", "net/" + bound},
                         {"0000:00:04.0", "0x14e4", "0x1644", ""}};
        for (const auto& f : functions) {
            const fs::path directory = fs::path(pciRoot_) / "devices" / f.name;
            fs::create_directories(directory);
            std::ofstream(directory / "vendor") << f.vendor << "\n";
            std::ofstream(directory / "device") << f.device << "\n";
            std::ofstream(directory / "class") << "0x020000\n";
            std::ofstream(directory / "resource") << "";
            if (!f.net.empty()) {
                fs::create_directories(directory / f.net);
            }
        }
        TovPCIUseSysfsRoot(pciRoot_);
    }
    std::unique_ptr<tIPStack> load() {
        auto stack = std::make_unique<tIPStack>(kIniPath);
        ::testing::internal::CaptureStdout();
        stack->getConfig();
        console_ = ::testing::internal::GetCapturedStdout();
        return stack;
    }
    static std::vector<std::string> macsOf(tIPStack& stack) {
        std::vector<std::string> macs;
        for (const tDeviceEntry& device : stack.devices()) {
            macs.push_back(device.mac.displayText());
        }
        return macs;
    }

    lbtest::TempDisk disk_;
    std::string pciRoot_;
    std::vector<std::string> links_;
    std::string console_;
};

TEST_F(InterfaceDrivers, FamiliesServeTheirBoundAdaptersAndTheHostDriverTheRest) {
    links_ = {"lbf0", "lbh0"};
    ASSERT_TRUE(makePair("lbf0", "02:00:5e:00:0f:00", "lbf1", "02:00:5e:00:0f:01"));
    ASSERT_TRUE(makePair("lbh0", "02:00:5e:00:0a:00", "lbh1", "02:00:5e:00:0a:01", true));
    fakePci("lbf0");
    writeIni("Intel 8254x Ethernet;Broadcom 57xx Ethernet;Host Network Ethernet", "");
    auto stack = load();

    ASSERT_EQ(stack->drivers().size(), 2u) << console_;
    EXPECT_EQ(stack->drivers()[0]->name, "Intel 8254x Ethernet");
    EXPECT_EQ(stack->drivers()[1]->name, "Host Network Ethernet");
    EXPECT_NE(console_.find("\tIntel 8254x Ethernet driver ... found 1 device(s).\n"),
              std::string::npos)
        << console_;
    // The Broadcom adapter has no interface: no device, and its driver is unloaded.
    EXPECT_NE(console_.find("\tBroadcom 57xx Ethernet driver ... \n"), std::string::npos);
    EXPECT_EQ(GetModuleHandleA("B:\\bcm57xx.dll"), nullptr);
    // The host driver leaves lbf0 to the Intel driver and the link that is down alone.
    std::vector<std::string> macs = macsOf(*stack);
    ASSERT_EQ(macs.size(), 3u) << console_;
    EXPECT_EQ(macs[0], "02:00:5E:00:0F:00");
    std::sort(macs.begin() + 1, macs.end());
    EXPECT_EQ(macs[1], "02:00:5E:00:0A:00");
    EXPECT_EQ(macs[2], "02:00:5E:00:0F:01");
    EXPECT_EQ(std::string(TovTCPGetDeviceCfg(stack->devices()[0].handle)->interfaceName), "lbf0");

    // A veth reports no link modes: auto only. Each device has a line of its own, so both
    // operation modes are offered, interrupt by default.
    std::uint32_t supported = 0, preferred = 0;
    ASSERT_TRUE(stack->getMediaModeInfo(stack->devices()[0].mac, &supported, &preferred));
    EXPECT_EQ(supported, 1u);
    EXPECT_EQ(preferred, 1u);
    ASSERT_TRUE(stack->getOperationModeInfo(stack->devices()[0].mac, &supported, &preferred));
    EXPECT_EQ(supported, 3u);
    EXPECT_EQ(preferred, 1u);
}

TEST_F(InterfaceDrivers, WithoutAdaptersAFamilyDriverHasNoDevices) {
    links_ = {"lbz0"};
    ASSERT_TRUE(makePair("lbz0", "02:00:5e:00:0b:00", "lbz1", "02:00:5e:00:0b:01"));
    fakePci("nothing");
    TovPCIUseSysfsRoot(pciRoot_ + "/none");  // no PCI bus at all
    writeIni("Intel 8254x Ethernet", "");
    auto stack = load();
    EXPECT_TRUE(stack->drivers().empty());
    EXPECT_NE(console_.find("\tError! No supported network devices found."), std::string::npos);
}

TEST_F(InterfaceDrivers, TheHostDriverServesTheNamedInterfacesInTheirOrder) {
    links_ = {"lbn0"};
    ASSERT_TRUE(makePair("lbn0", "02:00:5e:00:0c:00", "lbn1", "02:00:5e:00:0c:01", true));
    writeIni("Host Network Ethernet", " lbn1 ; lbn0;nothere;lo;");
    auto stack = load();
    // lbn1 is down but named; "lo" has no hardware address and cannot be a device.
    EXPECT_EQ(macsOf(*stack), (std::vector<std::string>{"02:00:5E:00:0C:01", "02:00:5E:00:0C:00"}));
}

TEST_F(InterfaceDrivers, InterfaceEventsReachTheDeviceInEitherOperationMode) {
    links_ = {"lbe0"};
    ASSERT_TRUE(makePair("lbe0", "02:00:5e:00:0e:00", "lbe1", "02:00:5e:00:0e:01"));
    writeIni("Host Network Ethernet", "lbe0");
    auto stack = load();
    ASSERT_EQ(stack->getDeviceCount(), 1u);
    lbtest::ScopedMessageLevel level("Ethernet", 10);
    lbtest::DebugCapture capture;
    auto heard = [&capture](const std::string& line) {
        for (int waited = 0; waited < 5000; waited += 20) {
            if (capture.screen().find(line) != std::string::npos) {
                return true;
            }
            Sleep(20);
        }
        return false;
    };

    ::testing::internal::CaptureStdout();
    ASSERT_TRUE(stack->start());  // interrupt mode, the device's default
    ::testing::internal::GetCapturedStdout();
    ASSERT_TRUE(lbtest::inPrivateNetwork("ip addr add 10.66.0.1/24 dev lbe0"));
    EXPECT_TRUE(heard("Ethernet: lbe0: link up, address 10.66.0.1\n")) << capture.screen();
    stack->stop();

    const tMACAddress mac = stack->devices()[0].mac;
    ASSERT_TRUE(stack->getConfig()->setOperationMode(mac, OperationPolled, OperationInterrupt, 5));
    ::testing::internal::CaptureStdout();
    ASSERT_TRUE(stack->start());
    ::testing::internal::GetCapturedStdout();
    ASSERT_TRUE(
        lbtest::inPrivateNetwork("ip addr del 10.66.0.1/24 dev lbe0 && "
                                 "ip addr add 10.66.0.2/24 dev lbe0"));
    EXPECT_TRUE(heard("Ethernet: lbe0: link up, address 10.66.0.2\n")) << capture.screen();
    stack->stop();
}

}  // namespace
}  // namespace nIPStack
