#include "tools/tesselcfg/NumberText.h"

namespace tesselcfg {

std::optional<std::uint64_t> parseUnsigned(const std::string& text, std::uint64_t max) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hex ? text.substr(2) : text;
    if (digits.empty() || digits.size() > 20) {
        return std::nullopt;
    }
    std::uint64_t value = 0;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (hex && c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (hex && c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        } else {
            return std::nullopt;
        }
        const std::uint64_t base = hex ? 16 : 10;
        if (value > (max - static_cast<std::uint64_t>(digit)) / base) {
            return std::nullopt;
        }
        value = value * base + static_cast<std::uint64_t>(digit);
    }
    return value;
}

}  // namespace tesselcfg
