// Six-byte Ethernet addresses as the tool reads and prints them.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace tesselcfg {

using MacAddress = std::array<std::uint8_t, 6>;

// "00:80:2F:12:34:56", "00-80-2f-12-34-56" or "00802F123456".
std::optional<MacAddress> parseMac(const std::string& text);
// Upper-case digit pairs separated by ':'.
std::string formatMac(const MacAddress& mac);

}  // namespace tesselcfg
