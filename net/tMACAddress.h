// A six-byte Ethernet address with its compact text form (00802F1234AB, used in netconf.ini)
// and its display form (00:80:2F:12:34:AB).
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace nIPStack {

class tMACAddress {
public:
    // A text that is neither 12 hex digits nor 6 colon-separated pairs.
    class tBadFormatException {};

    tMACAddress() = default;  // 00:00:00:00:00:00
    explicit tMACAddress(const std::uint8_t bytes[6]);
    // Throws tBadFormatException; digits may be in either case.
    explicit tMACAddress(const std::string& text);

    const std::uint8_t* bytes() const { return bytes_.data(); }
    void copyTo(std::uint8_t out[6]) const;

    std::string compactText() const;
    std::string displayText() const;

    bool operator==(const tMACAddress& other) const { return bytes_ == other.bytes_; }
    bool operator!=(const tMACAddress& other) const { return bytes_ != other.bytes_; }
    bool operator<(const tMACAddress& other) const { return bytes_ < other.bytes_; }

private:
    std::array<std::uint8_t, 6> bytes_{};
};

}  // namespace nIPStack
