#include "tools/tesselcfg/Protocol.h"

#include <algorithm>
#include <cstring>

namespace tesselcfg {

CommandPacket makeRequest(std::uint8_t command, const MacAddress& mac) {
    CommandPacket p;
    std::memset(&p, 0, sizeof p);
    p.magic[0] = rx_fwk::kPacketMagic0;
    p.magic[1] = rx_fwk::kPacketMagic1;
    p.version = rx_fwk::kProtocolVersion;
    p.command = command;
    std::memcpy(p.macAddress, mac.data(), mac.size());
    return p;
}

MacAddress macOf(const CommandPacket& packet) {
    MacAddress mac;
    std::memcpy(mac.data(), packet.macAddress, mac.size());
    return mac;
}

std::string areaText(const void* area, std::size_t size) {
    const char* text = static_cast<const char*>(area);
    return std::string(text, std::find(text, text + size, '\0'));
}

std::string nakStatusName(std::uint32_t status) {
    switch (status) {
        case rx_fwk::StatusUnsupported:
            return "StatusUnsupported";
        case rx_fwk::StatusAccessDenied:
            return "StatusAccessDenied";
        case rx_fwk::StatusBusy:
            return "StatusBusy";
        case rx_fwk::StatusInstallRefused:
            return "StatusInstallRefused";
        case rx_fwk::StatusFailed:
            return "StatusFailed";
        case rx_fwk::StatusMismatch:
            return "StatusMismatch";
        default:
            return "status " + std::to_string(status);
    }
}

std::string extensionName(std::uint32_t identifier) {
    switch (identifier) {
        case 1:
            return "Chmod";
        case 2:
            return "MainExe";
        case 3:
            return "SpQuery";
        case 4:
            return "SpConfig";
        case 6:
            return "AdvancedEnet";
        case 7:
            return "QueryAttrs";
        default:
            return "";
    }
}

std::array<std::uint32_t, rx_fwk::kExtensionCodeCount> capabilities(const CommandPacket& reply) {
    std::array<std::uint32_t, rx_fwk::kExtensionCodeCount> ids{};
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const std::uint8_t* b = &reply.data[4 * i];
        ids[i] = (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
                 (std::uint32_t{b[2]} << 8) | b[3];
    }
    return ids;
}

std::optional<std::uint8_t> codeOfExtension(const CommandPacket& capsReply,
                                            std::uint32_t identifier) {
    const auto ids = capabilities(capsReply);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        if (ids[i] == identifier) {
            return static_cast<std::uint8_t>(rx_fwk::kFirstExtensionCode + i);
        }
    }
    return std::nullopt;
}

Controller decodePing(const CommandPacket& reply) {
    Controller c;
    c.mac = macOf(reply);
    c.ip = dottedAddress(reply.ipAddress);
    c.subnetMask = dottedAddress(reply.subnetMask);
    c.gateway = dottedAddress(reply.gateway);
    c.dns = dottedAddress(reply.dnsAddress);
    c.targetType = areaText(reply.text1, sizeof reply.text1);
    c.hostName = areaText(reply.text2, sizeof reply.text2);
    c.targetCode = reply.targetCode;
    c.secondaryCode = reply.secondaryCode;
    c.serial = reply.serialNumber;
    c.locked = (reply.flags & 0x0001) != 0;
    c.ipConfigured = (reply.flags & 0x0002) != 0;
    c.dhcp = (reply.flags & 0x0008) != 0;
    c.commentFormat = reply.commentFormat;
    c.comment = areaText(reply.data, sizeof reply.data);
    return c;
}

}  // namespace tesselcfg
