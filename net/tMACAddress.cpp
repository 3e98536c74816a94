#include "net/tMACAddress.h"

#include <cstring>

namespace nIPStack {
namespace {

constexpr std::size_t kCompactLength = 12;
constexpr std::size_t kDisplayLength = 17;

int hexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::string text(const std::array<std::uint8_t, 6>& bytes, bool separated) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (separated && i > 0) {
            out += ':';
        }
        out += kDigits[bytes[i] >> 4];
        out += kDigits[bytes[i] & 0x0F];
    }
    return out;
}

}  // namespace

tMACAddress::tMACAddress(const std::uint8_t bytes[6]) {
    std::memcpy(bytes_.data(), bytes, bytes_.size());
}

tMACAddress::tMACAddress(const std::string& text) {
    // Pair i starts at 2i in the compact form and at 3i in the display form.
    std::size_t stride;
    if (text.size() == kCompactLength) {
        stride = 2;
    } else if (text.size() == kDisplayLength) {
        stride = 3;
        for (std::size_t colon = 2; colon < kDisplayLength; colon += 3) {
            if (text[colon] != ':') {
                throw tBadFormatException();
            }
        }
    } else {
        throw tBadFormatException();
    }
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
        const int high = hexDigit(text[stride * i]);
        const int low = hexDigit(text[stride * i + 1]);
        if (high < 0 || low < 0) {
            throw tBadFormatException();
        }
        bytes_[i] = static_cast<std::uint8_t>(high << 4 | low);
    }
}

void tMACAddress::copyTo(std::uint8_t out[6]) const {
    std::memcpy(out, bytes_.data(), bytes_.size());
}

std::string tMACAddress::compactText() const {
    return text(bytes_, false);
}

std::string tMACAddress::displayText() const {
    return text(bytes_, true);
}

}  // namespace nIPStack
