// Handlers are tested through the process-wide server, as the transports reach them, with
// a network double and settings written through the configuration store (the IP
// configuration keeps its settings there too).
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "cmdserver/CommandServer.h"
#include "config/ConfigManager.h"
#include "net/NetworkInfo.h"
#include "tests/support/Packets.h"

namespace rx_fwk {

const std::uint8_t kTestMac[6] = {0x00, 0x80, 0x2F, 0x12, 0x34, 0x56};

class FakeNetwork : public NetworkInfo {
public:
    bool getFirstMACAddress(std::uint8_t mac[6]) override {
        std::memcpy(mac, kTestMac, 6);
        return true;
    }
    void getIPSettings(bool* dhcpOut, std::string* address, std::string* mask, std::string* gateway,
                       std::string* dns) override {
        *dhcpOut = dhcp;
        *address = this->address;
        *mask = this->mask;
        *gateway = this->gateway;
        *dns = this->dns;
    }

    bool dhcp = true;
    std::string address = "192.168.0.7", mask = "255.255.255.0", gateway = "192.168.0.1",
                dns = "10.1.2.3";
};

class HandlerTest : public ::testing::Test {
protected:
    void SetUp() override {
        NetworkInfo::install(&network_);
        ConfigManager::instance().clear();
    }
    void TearDown() override {
        NetworkInfo::install(nullptr);
        ConfigManager::instance().clear();
    }

    // The reply in host order, or none when the server sends nothing.
    std::optional<CommandPacket> ask(std::vector<std::uint8_t>& bytes) {
        std::uint32_t length = static_cast<std::uint32_t>(bytes.size());
        if (!CommandServer::instance().consume(bytes.data(), length, "10.0.0.9")) {
            return std::nullopt;
        }
        return lbtest::hostOrder(bytes);
    }
    std::vector<std::uint8_t> request(std::uint8_t command) {
        return lbtest::requestBytes(command, kTestMac);
    }
    static void setting(const char* section, const char* key, const std::string& value) {
        ASSERT_TRUE(ConfigManager::instance().setString(section, key, value));
    }

    FakeNetwork network_;
};

}  // namespace rx_fwk
