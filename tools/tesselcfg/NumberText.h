// Numbers on the command line: decimal, or hexadecimal after "0x" (a leading zero is not
// octal).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace tesselcfg {

std::optional<std::uint64_t> parseUnsigned(const std::string& text, std::uint64_t max);

}  // namespace tesselcfg
