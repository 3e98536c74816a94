#include "tools/tesselcfg/AdvancedEnet.h"

#include <algorithm>
#include <cctype>

namespace tesselcfg {
namespace {

struct MediaName {
    std::uint32_t mode;
    const char* name;
};

const MediaName kMedia[] = {{1, "auto"},     {2, "10half"},    {4, "10full"},   {8, "100half"},
                            {16, "100full"}, {32, "1000half"}, {64, "1000full"}};

std::string numbered(std::uint32_t mode) {
    return "mode " + std::to_string(mode);
}

}  // namespace

CommandPacket makeAdvancedEnet(const MacAddress& controller, std::uint8_t code, std::uint32_t sub) {
    CommandPacket request = makeRequest(code, controller);
    request.extra = sub;
    return request;
}

void putDeviceMac(CommandPacket& request, std::size_t offset, const MacAddress& device) {
    rx_fwk::enet::putMac(request, offset, device.data());
}

MacAddress deviceMacAt(const CommandPacket& reply, std::size_t offset) {
    MacAddress mac;
    rx_fwk::enet::getMac(reply, offset, mac.data());
    return mac;
}

std::string deviceModeName(std::uint32_t mode) {
    switch (mode) {
        case rx_fwk::enet::kDisabled:
            return "disabled";
        case rx_fwk::enet::kTCPIP:
            return "tcpip";
        case rx_fwk::enet::kDeterministic:
            return "deterministic";
        default:
            return numbered(mode);
    }
}

std::optional<std::uint32_t> parseMediaMode(const std::string& name) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const MediaName& m : kMedia) {
        if (lower == m.name) {
            return m.mode;
        }
    }
    return std::nullopt;
}

std::string mediaModeName(std::uint32_t mode) {
    for (const MediaName& m : kMedia) {
        if (mode == m.mode) {
            return m.name;
        }
    }
    return numbered(mode);
}

std::string mediaModeList(std::uint32_t mask) {
    std::string list;
    for (const MediaName& m : kMedia) {
        if (mask & m.mode) {
            list += (list.empty() ? "" : ", ") + std::string(m.name);
        }
    }
    return list.empty() ? "none" : list;
}

std::string operationModeName(std::uint32_t mode) {
    switch (mode) {
        case rx_fwk::enet::kInterrupt:
            return "interrupt";
        case rx_fwk::enet::kPolling:
            return "polling";
        default:
            return numbered(mode);
    }
}

}  // namespace tesselcfg
