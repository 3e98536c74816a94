// Handlers are tested through the process-wide server, as the transports reach them, with
// an IP stack double and settings written through the configuration store (the IP
// configuration keeps its settings there too).
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "cmdserver/CommandServer.h"
#include "config/ConfigManager.h"
#include "tests/support/FakeIPStack.h"
#include "tests/support/Packets.h"

namespace rx_fwk {

const std::uint8_t kTestMac[6] = {0x00, 0x80, 0x2F, 0x12, 0x34, 0x56};

class HandlerTest : public ::testing::Test {
protected:
    void SetUp() override { ConfigManager::instance().clear(); }
    void TearDown() override { ConfigManager::instance().clear(); }

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

    lbtest::FakeIPStack network_{kTestMac};
};

}  // namespace rx_fwk
