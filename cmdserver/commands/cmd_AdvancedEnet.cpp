#include "cmdserver/commands/cmd_AdvancedEnet.h"

#include <cstring>
#include <string>

#include "cmdserver/AdvancedEnetPayload.h"
#include "cmdserver/CommandServer.h"
#include "config/RootPassword.h"
#include "kernel/net/WinSock.h"

namespace rx_fwk {
namespace {

using namespace enet;
using nIPStack::tMACAddress;

tMACAddress macAt(const CommandPacket& packet, std::size_t offset) {
    std::uint8_t bytes[6];
    getMac(packet, offset, bytes);
    return tMACAddress(bytes);
}

void putMacAt(CommandPacket& packet, std::size_t offset, const tMACAddress& mac) {
    putMac(packet, offset, mac.bytes());
}

// An address as a number (host order: the payload is written big-endian); 0 for a text
// that is not one.
std::uint32_t addressNumber(const std::string& text) {
    const std::uint32_t a = text.empty() ? INADDR_NONE : inet_addr(text.c_str());
    return a == INADDR_NONE && text != "255.255.255.255" ? 0 : ntohl(a);
}

std::string addressText(std::uint32_t number) {
    in_addr a{htonl(number)};
    return inet_ntoa(a);
}

void refuse(CommandPacket& packet) {
    packet.command = NAK;
    packet.status = StatusFailed;
}

}  // namespace

cmd_AdvancedEnet::cmd_AdvancedEnet(nIPStack::iMultiDeviceIPConfig& config,
                                   nIPStack::iMultiDeviceIPStack& stack)
    : config_(config), stack_(stack) {
    CommandServer& server = CommandServer::instance();
    std::uint8_t code = 0;
    if (server.allocateExtensionCode(enet::kExtensionId, code) &&
        server.registerCommand(code, kProtocolVersion, this)) {
        code_ = code;
    }
}

cmd_AdvancedEnet::~cmd_AdvancedEnet() {
    CommandServer::instance().unregisterCommand(this);
}

bool cmd_AdvancedEnet::handle(CommandPacket& packet, std::uint32_t) {
    if (!checkRootPassword("")) {
        packet.command = NAK;
        packet.status = StatusAccessDenied;
        return true;
    }
    packet.command = ACK;
    if (packet.extra > enet::kHighestSubCommand) {
        packet.command = NAK;
        packet.status = StatusUnsupported;
        return true;
    }
    run(packet.extra, packet);
    return true;
}

void cmd_AdvancedEnet::run(std::uint32_t subCommand, CommandPacket& packet) {
    switch (subCommand) {
        case DeviceCount:
            put32(packet, kP32, stack_.getDeviceCount());
            return;
        case DeviceMAC: {
            tMACAddress mac;
            if (stack_.getDeviceMACAddress(get32(packet, kP32), mac)) {
                putMacAt(packet, kP36, mac);
            } else {
                refuse(packet);
            }
            return;
        }
        case GetPrimary: {
            tMACAddress mac;
            config_.getPrimaryMAC(mac);
            putMacAt(packet, kP32, mac);
            return;
        }
        case SetPrimary:
            if (!config_.setPrimaryMAC(macAt(packet, kP32))) {
                refuse(packet);
            }
            return;
        case GetDevice: {
            std::int32_t mode = 0;
            std::string address, mask;
            if (!config_.getDeviceSettings(macAt(packet, kP32), mode, address, mask)) {
                refuse(packet);
                return;
            }
            const bool tcpip = mode == static_cast<std::int32_t>(kTCPIP);
            put32(packet, kP40, static_cast<std::uint32_t>(mode));
            put32(packet, kP44, tcpip ? addressNumber(address) : 0);
            put32(packet, kP48, tcpip ? addressNumber(mask) : 0);
            return;
        }
        case SetDevice: {
            const auto mode = static_cast<std::int32_t>(get32(packet, kP40));
            const bool tcpip = mode == static_cast<std::int32_t>(kTCPIP);
            const std::string address = tcpip ? addressText(get32(packet, kP44)) : "";
            const std::string mask = tcpip ? addressText(get32(packet, kP48)) : "";
            if (!config_.setDeviceSettings(macAt(packet, kP32), mode, address, mask)) {
                refuse(packet);
            }
            return;
        }
        case DeviceCapabilities: {
            const tMACAddress mac = macAt(packet, kP32);
            std::uint32_t modes = 0;
            if (stack_.getSupportedDeviceModes(mac, modes)) {
                put32(packet, kP40, modes);
            } else {
                refuse(packet);
            }
            std::uint32_t supported = 0, defaultMedia = 0;
            if (stack_.getMediaModeInfo(mac, &supported, &defaultMedia)) {
                put32(packet, kP44, supported);
                put32(packet, kP48, defaultMedia);
            } else {
                refuse(packet);
            }
            return;
        }
        case GetModes:
        case SetModes: {
            // The device's own defaults: the media mode's comes with the media modes, the
            // operation mode's with the operation modes.
            const tMACAddress mac = macAt(packet, kP32);
            std::uint32_t defaultMedia = 0, defaultOperation = 0;
            if (!stack_.getOperationModeInfo(mac, nullptr, &defaultOperation) ||
                !stack_.getMediaModeInfo(mac, nullptr, &defaultMedia)) {
                refuse(packet);
                return;
            }
            if (subCommand == GetModes) {
                std::int32_t media = 0, operation = 0, interval = 0;
                if (config_.getMediaMode(mac, &media, static_cast<std::int32_t>(defaultMedia))) {
                    put32(packet, kP40, static_cast<std::uint32_t>(media));
                } else {
                    refuse(packet);
                }
                if (config_.getOperationMode(
                        mac, &operation, static_cast<std::int32_t>(defaultOperation), &interval)) {
                    put32(packet, kP44, static_cast<std::uint32_t>(operation));
                    put32(packet, kP48, static_cast<std::uint32_t>(interval));
                } else {
                    refuse(packet);
                }
                return;
            }
            if (!config_.setMediaMode(mac, static_cast<std::int32_t>(get32(packet, kP40)),
                                      static_cast<std::int32_t>(defaultMedia))) {
                refuse(packet);
            }
            if (!config_.setOperationMode(mac, static_cast<std::int32_t>(get32(packet, kP44)),
                                          static_cast<std::int32_t>(defaultOperation),
                                          static_cast<std::int32_t>(get32(packet, kP48)))) {
                refuse(packet);
            }
            return;
        }
        case GetLimits:
            put32(packet, kP32, static_cast<std::uint32_t>(config_.getMaxSockets()));
            put32(packet, kP36, static_cast<std::uint32_t>(config_.getTTLFieldValue()));
            return;
        case SetLimits:
            if (!config_.setMaxSockets(static_cast<std::int32_t>(get32(packet, kP32)))) {
                refuse(packet);
                return;
            }
            if (!config_.setTTLFieldValue(static_cast<std::int32_t>(get32(packet, kP36)))) {
                refuse(packet);
            }
            return;
        default:
            return;
    }
}

}  // namespace rx_fwk
