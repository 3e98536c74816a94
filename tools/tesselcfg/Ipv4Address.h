// IPv4 addresses in the tool: host-order numbers, dotted text, subnets.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tesselcfg {

// Exactly four decimal parts of 0..255, nothing else.
std::optional<std::uint32_t> parseDotted(const std::string& text);
std::string dottedAddress(std::uint32_t hostOrderValue);

// The mask of a prefix length 0..32.
std::uint32_t maskOfPrefix(int prefix);

struct Ipv4Subnet {
    std::uint32_t address = 0;
    std::uint32_t mask = 0;

    bool contains(std::uint32_t other) const { return (other & mask) == (address & mask); }
    int prefix() const;
    std::string text() const;  // "10.0.0.5/24"
};

// "ADDRESS/PREFIX" with a prefix of 0..32.
std::optional<Ipv4Subnet> parseAddressWithPrefix(const std::string& text);

// Why an address cannot be a controller's own address in the subnet, empty when it can:
// 0.0.0.0 reads as "not configured", and loopback, multicast, the limited broadcast and the
// subnet's own network and broadcast addresses never reach one host.
std::string unusableHostAddress(const Ipv4Subnet& subnet);

}  // namespace tesselcfg
