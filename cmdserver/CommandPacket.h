// The 184-byte command packet of the configuration protocol and its byte-order conversion.
// Shared by the image and the host tool: the one definition of the wire format.
#pragma once

#include <cstddef>
#include <cstdint>

namespace rx_fwk {

constexpr std::uint16_t kCommandUdpPort = 44515;
constexpr std::uint16_t kCommandTcpPort = 44516;
constexpr std::uint16_t kHostNotifyPort = 44517;

constexpr std::uint8_t kPacketMagic0 = 0x45;  // 'E'
constexpr std::uint8_t kPacketMagic1 = 0x44;  // 'D'
constexpr std::uint8_t kProtocolVersion = 2;

// Reply codes written over `command`.
enum ReplyCode : std::uint8_t {
    ACK = 0x08,
    NAK = 0x09,
    QueryCapsReply = 0x21,
};

// Reasons carried in `status` of a NAK.
enum NakStatus : std::uint32_t {
    StatusUnsupported = 0,
    StatusAccessDenied = 1,
    StatusBusy = 2,
    StatusInstallRefused = 3,
    StatusFailed = 5,
    StatusMismatch = 6,
};

// Request codes with a fixed number; the extension range is 0xF0..0xFE.
enum CommandCode : std::uint8_t {
    CmdPing = 0x01,
    CmdIpConfig = 0x03,
    CmdConfirm = 0x04,
    CmdLock = 0x05,
    CmdUnlock = 0x06,
    CmdPreset = 0x07,
    CmdAck = 0x08,
    CmdNak = 0x09,
    CmdReset = 0x0A,
    CmdFirmware = 0x0F,
    CmdMacAddr = 0x1E,
    CmdSerial = 0x1F,
    CmdQueryCaps = 0x20,
    CmdChmod = 0xF0,
    CmdMainExe = 0xF1,
    CmdSpQuery = 0xF2,
    CmdSpConfig = 0xF3,
};

constexpr std::uint8_t kFirstExtensionCode = 0xF0;
constexpr std::uint8_t kLastExtensionCode = 0xFE;
constexpr std::size_t kExtensionCodeCount = kLastExtensionCode - kFirstExtensionCode + 1;

#pragma pack(push, 1)
struct CommandPacket {
    std::uint8_t magic[2];
    std::uint8_t command;
    std::uint16_t flags;
    std::uint8_t version;
    std::uint16_t targetCode;
    std::uint16_t secondaryCode;
    std::uint32_t serialNumber;
    std::uint8_t macAddress[6];
    std::uint8_t reserved[8];
    char text1[32];
    char text2[32];
    std::uint8_t data[64];
    std::uint16_t commentFormat;
    std::uint32_t ipAddress;
    std::uint32_t subnetMask;
    std::uint32_t dnsAddress;
    std::uint32_t gateway;
    std::uint32_t status;
    std::uint32_t extra;
    std::uint8_t tail[2];
};
#pragma pack(pop)

constexpr std::size_t kCommandPacketSize = 184;

static_assert(sizeof(CommandPacket) == kCommandPacketSize);
static_assert(offsetof(CommandPacket, command) == 2);
static_assert(offsetof(CommandPacket, flags) == 3);
static_assert(offsetof(CommandPacket, version) == 5);
static_assert(offsetof(CommandPacket, targetCode) == 6);
static_assert(offsetof(CommandPacket, secondaryCode) == 8);
static_assert(offsetof(CommandPacket, serialNumber) == 10);
static_assert(offsetof(CommandPacket, macAddress) == 14);
static_assert(offsetof(CommandPacket, reserved) == 20);
static_assert(offsetof(CommandPacket, text1) == 28);
static_assert(offsetof(CommandPacket, text2) == 60);
static_assert(offsetof(CommandPacket, data) == 92);
static_assert(offsetof(CommandPacket, commentFormat) == 156);
static_assert(offsetof(CommandPacket, ipAddress) == 158);
static_assert(offsetof(CommandPacket, subnetMask) == 162);
static_assert(offsetof(CommandPacket, dnsAddress) == 166);
static_assert(offsetof(CommandPacket, gateway) == 170);
static_assert(offsetof(CommandPacket, status) == 174);
static_assert(offsetof(CommandPacket, extra) == 178);
static_assert(offsetof(CommandPacket, tail) == 182);

namespace packet_detail {

// Network order is big-endian: on a little-endian host both directions are a byte swap.
inline std::uint16_t flip(std::uint16_t v) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    return __builtin_bswap16(v);
#else
    return v;
#endif
}

inline std::uint32_t flip(std::uint32_t v) {
#if __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__
    return __builtin_bswap32(v);
#else
    return v;
#endif
}

}  // namespace packet_detail

// Converts the eleven numeric fields between network and host order; the same
// transformation serves both directions.
inline void convertPacketByteOrder(CommandPacket& p) {
    using packet_detail::flip;
    p.flags = flip(p.flags);
    p.targetCode = flip(p.targetCode);
    p.secondaryCode = flip(p.secondaryCode);
    p.commentFormat = flip(p.commentFormat);
    p.serialNumber = flip(p.serialNumber);
    p.status = flip(p.status);
    p.extra = flip(p.extra);
    p.ipAddress = flip(p.ipAddress);
    p.subnetMask = flip(p.subnetMask);
    p.dnsAddress = flip(p.dnsAddress);
    p.gateway = flip(p.gateway);
}

}  // namespace rx_fwk
