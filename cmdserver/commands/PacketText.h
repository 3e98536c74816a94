// Text areas of command packets: zero-filled, with at most a given number of characters.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

namespace rx_fwk {

// Clears the area, then copies at most `maxChars` characters of the text into it; a text
// that fills the area has no terminating zero.
inline void putText(void* area, std::size_t areaSize, const std::string& text,
                    std::size_t maxChars) {
    std::memset(area, 0, areaSize);
    std::memcpy(area, text.data(), std::min({text.size(), maxChars, areaSize}));
}

// The numeric value of a dotted IPv4 text, first byte most significant; 0 for an empty or
// malformed text (a device without an address yet).
std::uint32_t dottedAddressValue(const std::string& text);
// The dotted text of an address value, first byte most significant.
std::string dottedAddressText(std::uint32_t value);

}  // namespace rx_fwk
