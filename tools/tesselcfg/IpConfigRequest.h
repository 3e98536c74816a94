// IpConfig always writes host name and comment (and hands the platform pair on), so every
// change through it first reads what the controller has and sends back what stays.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "tools/tesselcfg/Ipv4Address.h"
#include "tools/tesselcfg/Protocol.h"

namespace tesselcfg {

constexpr std::uint16_t kDefaultCommentFormat = 512;
// The fill of the data area of the two Pings that read the comment back.
constexpr std::uint8_t kCommentProbeFills[2] = {0x00, 0xFF};

// What the controller has now, as Ping reports it.
struct Identity {
    std::array<char, 32> hostName{};  // not terminated when 32 long
    std::array<std::uint8_t, 64> comment{};
    std::uint16_t commentFormat = kDefaultCommentFormat;
    std::uint32_t pairFirst = 0, pairSecond = 0;
    // False when the controller wrote no comment byte: its comment is too long for the
    // packet and cannot be sent back, only replaced.
    bool commentKnown = true;
};

// A Ping whose data area is filled with `fill`.
CommandPacket makeCommentProbe(const MacAddress& mac, std::uint8_t fill);

// From the replies to the two probes: the controller writes the comment's bytes and leaves
// the rest of the area as the request had it, so the bytes the replies agree on are the
// comment.
Identity identityFromProbes(const CommandPacket& zeroFilled, const CommandPacket& oneFilled);

enum class IpMode { Keep, Dhcp, Static };

struct IpChange {
    std::optional<std::string> hostName;
    std::optional<std::string> comment;  // bytes as given, format kDefaultCommentFormat
    IpMode mode = IpMode::Keep;
    Ipv4Subnet address;  // Static only
    std::uint32_t gateway = 0, dns = 0;
};

// flags 0x0090 keeps the stored IP settings (the address fields are not looked at and go
// as zeros: Ping's are the live address, not what is stored), 0x0010 stores the static
// settings, 0x0000 switches to DHCP.
CommandPacket makeIpConfig(const MacAddress& mac, const Identity& current, const IpChange& change);

// Why a host name (32 bytes) or comment (64 bytes) cannot be sent, empty when it can.
std::string hostNameProblem(const std::string& name);
std::string commentProblem(const std::string& comment);

}  // namespace tesselcfg
