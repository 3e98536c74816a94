// The stored form of the comment bytes: two characters per byte, "0" plus the low four bits
// first, then "0" plus the high four bits (so 0x41 is "14").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace rx_fwk {

std::string encodeCommentText(const std::uint8_t* bytes, std::size_t count);

// Decodes into `out` (half the text length, rounded down); false, and `out` untouched, when
// that is more than `capacity` bytes.
bool decodeCommentText(const std::string& text, std::uint8_t* out, std::size_t capacity);

}  // namespace rx_fwk
