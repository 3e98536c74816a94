#include "cmdserver/commands/CommentText.h"

namespace rx_fwk {

std::string encodeCommentText(const std::uint8_t* bytes, std::size_t count) {
    std::string text;
    text.reserve(2 * count);
    for (std::size_t i = 0; i < count; ++i) {
        text += static_cast<char>('0' + (bytes[i] & 0x0F));
        text += static_cast<char>('0' + (bytes[i] >> 4));
    }
    return text;
}

bool decodeCommentText(const std::string& text, std::uint8_t* out, std::size_t capacity) {
    const std::size_t count = text.size() / 2;
    if (count > capacity) {
        return false;
    }
    for (std::size_t i = 0; i < count; ++i) {
        const auto low = static_cast<unsigned char>(text[2 * i]);
        const auto high = static_cast<unsigned char>(text[2 * i + 1]);
        out[i] = static_cast<std::uint8_t>((low & 0x0F) | ((high << 4) & 0xFF));
    }
    return true;
}

}  // namespace rx_fwk
