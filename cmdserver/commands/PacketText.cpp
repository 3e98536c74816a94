#include "cmdserver/commands/PacketText.h"

namespace rx_fwk {

std::uint32_t dottedAddressValue(const std::string& text) {
    std::uint32_t value = 0;
    int parts = 0;
    std::size_t i = 0;
    while (parts < 4) {
        std::size_t start = i;
        std::uint32_t part = 0;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9' && i - start < 3) {
            part = part * 10 + static_cast<std::uint32_t>(text[i] - '0');
            ++i;
        }
        if (i == start || part > 255) {
            return 0;
        }
        value = (value << 8) | part;
        ++parts;
        if (parts < 4) {
            if (i >= text.size() || text[i] != '.') {
                return 0;
            }
            ++i;
        }
    }
    return i == text.size() ? value : 0;
}

std::string dottedAddressText(std::uint32_t value) {
    return std::to_string(value >> 24) + '.' + std::to_string((value >> 16) & 0xFF) + '.' +
           std::to_string((value >> 8) & 0xFF) + '.' + std::to_string(value & 0xFF);
}

}  // namespace rx_fwk
