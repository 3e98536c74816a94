#include "app/startup/StartupRecovery.h"

#include <gtest/gtest.h>

#include <string>

#include "config/ConfigManager.h"
#include "net/ipConfig.h"
#include "tests/support/TempDisk.h"

namespace {

using rx_fwk::Recovery;

const char kNetwork[] =
    "[TCP_Stack_Config]\r\nIP_Address=10.0.0.5\r\nSubnet_Mask=255.0.0.0\r\n"
    "Gateway=10.0.0.1\r\nDNS_Address=10.0.0.2\r\nMax_Sockets=32\r\n";

TEST(StartupRecovery, DecisionDependsOnCountSettingAndStaticAddress) {
    struct Row {
        unsigned count;
        std::string ini;
        Recovery expected;
    };
    const Row rows[] = {
        {0, kNetwork, Recovery::None},
        {2, kNetwork, Recovery::None},
        {2, "", Recovery::None},
        {3, kNetwork, Recovery::ClearNetwork},
        {3, "", Recovery::Halt},
        {3, "[TCP_Stack_Config]\r\nIP_Address=0.0.0.0\r\n", Recovery::Halt},
        {3, "[TCP_Stack_Config]\r\nIP_Address=USE_DHCP\r\n", Recovery::ClearNetwork},
        {4000000000u, "", Recovery::Halt},
        {3, "[StartUp]\r\nYouOnlyLiveTwice=FALSE\r\n", Recovery::None},
        {7, std::string(kNetwork) + "[StartUp]\r\nYouOnlyLiveTwice=false\r\n", Recovery::None},
        {3, "[StartUp]\r\nYouOnlyLiveTwice=TRUE\r\n", Recovery::Halt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.count << " " << row.ini);
        lbtest::TempDisk disk;
        disk.writeHostFile("zu-rt.ini", row.ini);
        auto settings = rx_fwk::ConfigManager::create("C:\\zu-rt.ini");
        EXPECT_EQ(rx_fwk::recoveryAfterSystemErrors(row.count, *settings, &nIPStack::ipConfig),
                  row.expected);
    }
}

TEST(StartupRecovery, ResetSwitchClearsNetworkAndRootPassword) {
    // A key missing in the middle does not keep the ones after it.
    const std::string networks[] = {
        kNetwork,
        "[TCP_Stack_Config]\r\nIP_Address=10.0.0.5\r\nGateway=10.0.0.1\r\n"
        "DNS_Address=10.0.0.2\r\nMax_Sockets=32\r\n",
    };
    for (const std::string& network : networks) {
        SCOPED_TRACE(network);
        lbtest::TempDisk disk;
        disk.writeHostFile("zu-rt.ini", network + "[Security]\r\nRootPassword=abc\r\n");
        auto settings = rx_fwk::ConfigManager::create("C:\\zu-rt.ini");

        rx_fwk::applyResetSwitch(false, *settings, &nIPStack::ipConfig);
        EXPECT_EQ(settings->getString("Security", "RootPassword", ""), "abc");

        rx_fwk::applyResetSwitch(true, *settings, &nIPStack::ipConfig);
        for (const char* key : {"IP_Address", "Subnet_Mask", "Gateway", "DNS_Address"}) {
            EXPECT_FALSE(settings->keyExists("TCP_Stack_Config", key)) << key;
        }
        EXPECT_EQ(settings->getInt("TCP_Stack_Config", "Max_Sockets", 0), 32);
        EXPECT_FALSE(settings->keyExists("Security", "RootPassword"));
    }
}

}  // namespace
