#include "tools/tesselcfg/MacAddress.h"

#include <cctype>
#include <cstdio>

namespace tesselcfg {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
}

}  // namespace

std::optional<MacAddress> parseMac(const std::string& text) {
    std::string digits;
    if (text.size() == 17) {
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (i % 3 == 2) {
                if (text[i] != ':' && text[i] != '-') {
                    return std::nullopt;
                }
            } else {
                digits += text[i];
            }
        }
    } else if (text.size() == 12) {
        digits = text;
    } else {
        return std::nullopt;
    }
    MacAddress mac{};
    for (std::size_t i = 0; i < mac.size(); ++i) {
        int high = hexDigit(digits[2 * i]);
        int low = hexDigit(digits[2 * i + 1]);
        if (high < 0 || low < 0) {
            return std::nullopt;
        }
        mac[i] = static_cast<std::uint8_t>(high * 16 + low);
    }
    return mac;
}

std::string formatMac(const MacAddress& mac) {
    char text[18];
    std::snprintf(text, sizeof text, "%02X:%02X:%02X:%02X:%02X:%02X", mac[0], mac[1], mac[2],
                  mac[3], mac[4], mac[5]);
    return text;
}

}  // namespace tesselcfg
