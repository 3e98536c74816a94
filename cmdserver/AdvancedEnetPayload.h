// The payload of AdvancedEnet (extension identifier 6), shared by the image and the host
// tool: the sub-command travels in `extra`, its parameters and results lie from packet
// offset 32 on (inside text1), 32-bit values in network order, MAC addresses as six bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "cmdserver/CommandPacket.h"

namespace rx_fwk {
namespace enet {

constexpr std::uint32_t kExtensionId = 6;

enum SubCommand : std::uint32_t {
    DeviceCount = 0,         // -> P32 count
    DeviceMAC = 1,           // P32 index -> P36 MAC
    GetPrimary = 2,          // -> P32 MAC
    SetPrimary = 3,          // P32 MAC
    GetDevice = 4,           // P32 MAC -> P40 mode, P44 address, P48 mask
    SetDevice = 5,           // P32 MAC, P40 mode, P44 address, P48 mask
    DeviceCapabilities = 6,  // P32 MAC -> P40 device modes, P44 media modes, P48 default media
    GetModes = 7,            // P32 MAC -> P40 media, P44 operation, P48 polling interval
    SetModes = 8,            // P32 MAC, P40 media, P44 operation, P48 polling interval
    GetLimits = 9,           // -> P32 sockets, P36 TTL
    SetLimits = 10,          // P32 sockets, P36 TTL
};
constexpr std::uint32_t kHighestSubCommand = SetLimits;

constexpr std::size_t kP32 = 32;
constexpr std::size_t kP36 = 36;
constexpr std::size_t kP40 = 40;
constexpr std::size_t kP44 = 44;
constexpr std::size_t kP48 = 48;
static_assert(kP32 == offsetof(CommandPacket, text1) + 4);
static_assert(kP48 + 4 <= offsetof(CommandPacket, text1) + sizeof(CommandPacket::text1),
              "the payload lies inside text1");

// Device mode, media mode and operation mode codes.
constexpr std::uint32_t kDisabled = 1, kTCPIP = 2, kDeterministic = 4;
constexpr std::uint32_t kInterrupt = 1, kPolling = 2;

inline std::uint8_t* at(CommandPacket& packet, std::size_t offset) {
    return reinterpret_cast<std::uint8_t*>(&packet) + offset;
}
inline const std::uint8_t* at(const CommandPacket& packet, std::size_t offset) {
    return reinterpret_cast<const std::uint8_t*>(&packet) + offset;
}

inline std::uint32_t get32(const CommandPacket& packet, std::size_t offset) {
    const std::uint8_t* b = at(packet, offset);
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) | (std::uint32_t{b[2]} << 8) |
           std::uint32_t{b[3]};
}

inline void put32(CommandPacket& packet, std::size_t offset, std::uint32_t value) {
    std::uint8_t* b = at(packet, offset);
    b[0] = static_cast<std::uint8_t>(value >> 24);
    b[1] = static_cast<std::uint8_t>(value >> 16);
    b[2] = static_cast<std::uint8_t>(value >> 8);
    b[3] = static_cast<std::uint8_t>(value);
}

inline void getMac(const CommandPacket& packet, std::size_t offset, std::uint8_t mac[6]) {
    std::memcpy(mac, at(packet, offset), 6);
}

inline void putMac(CommandPacket& packet, std::size_t offset, const std::uint8_t mac[6]) {
    std::memcpy(at(packet, offset), mac, 6);
}

}  // namespace enet
}  // namespace rx_fwk
