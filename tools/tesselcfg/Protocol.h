// Building requests and reading replies of the configuration protocol.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include <vector>

#include "cmdserver/CommandPacket.h"
#include "tools/tesselcfg/Ipv4Address.h"
#include "tools/tesselcfg/MacAddress.h"

namespace tesselcfg {

using rx_fwk::CommandPacket;

constexpr std::uint32_t kQueryAttrsExtension = 7;

// A zeroed request (host order) for the command, addressed to the MAC.
CommandPacket makeRequest(std::uint8_t command, const MacAddress& mac);
MacAddress macOf(const CommandPacket& packet);

// The text of an area, up to its first zero byte.
std::string areaText(const void* area, std::size_t size);

// "StatusAccessDenied" and so on; "status N" for numbers without a name.
std::string nakStatusName(std::uint32_t status);
// The name of an extension identifier, empty when unknown.
std::string extensionName(std::uint32_t identifier);

// The 15 identifiers of a QueryCaps reply, for codes 0xF0..0xFE.
std::array<std::uint32_t, rx_fwk::kExtensionCodeCount> capabilities(const CommandPacket& reply);
// The code that carries the extension, if the controller has it.
std::optional<std::uint8_t> codeOfExtension(const CommandPacket& capsReply,
                                            std::uint32_t identifier);

// What a Ping reply tells about a controller.
struct Controller {
    MacAddress mac{};
    std::string ip, subnetMask, gateway, dns;
    std::string hostName, targetType;
    std::uint16_t targetCode = 0, secondaryCode = 0;
    std::uint32_t serial = 0;
    bool locked = false, ipConfigured = false, dhcp = false;
    std::uint16_t commentFormat = 0;
    std::string comment;
    std::optional<std::string> state;  // from SpQuery, when asked
    std::string interfaceName;         // where a broadcast reply came in
    std::vector<std::string> notes;    // what discovery found odd
};

Controller decodePing(const CommandPacket& reply);

}  // namespace tesselcfg
