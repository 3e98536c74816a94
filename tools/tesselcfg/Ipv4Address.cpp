#include "tools/tesselcfg/Ipv4Address.h"

namespace tesselcfg {

std::optional<std::uint32_t> parseDotted(const std::string& text) {
    std::uint32_t value = 0;
    std::size_t at = 0;
    for (int part = 0; part < 4; ++part) {
        if (part > 0) {
            if (at >= text.size() || text[at] != '.') {
                return std::nullopt;
            }
            ++at;
        }
        std::size_t digits = 0;
        unsigned number = 0;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9' && digits < 3) {
            number = number * 10 + static_cast<unsigned>(text[at] - '0');
            ++at;
            ++digits;
        }
        if (digits == 0 || number > 255) {
            return std::nullopt;
        }
        value = (value << 8) | number;
    }
    if (at != text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string dottedAddress(std::uint32_t v) {
    return std::to_string(v >> 24) + "." + std::to_string((v >> 16) & 0xff) + "." +
           std::to_string((v >> 8) & 0xff) + "." + std::to_string(v & 0xff);
}

std::uint32_t maskOfPrefix(int prefix) {
    if (prefix <= 0) {
        return 0;
    }
    return prefix >= 32 ? 0xFFFFFFFFu : ~((std::uint32_t{1} << (32 - prefix)) - 1);
}

int Ipv4Subnet::prefix() const {
    int bits = 0;
    for (std::uint32_t m = mask; m & 0x80000000u; m <<= 1) {
        ++bits;
    }
    return bits;
}

std::string Ipv4Subnet::text() const {
    return dottedAddress(address) + "/" + std::to_string(prefix());
}

std::optional<Ipv4Subnet> parseAddressWithPrefix(const std::string& text) {
    const std::size_t slash = text.find('/');
    if (slash == std::string::npos) {
        return std::nullopt;
    }
    auto address = parseDotted(text.substr(0, slash));
    const std::string prefixText = text.substr(slash + 1);
    if (!address || prefixText.empty() || prefixText.size() > 2 ||
        prefixText.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const int prefix = std::stoi(prefixText);
    if (prefix > 32) {
        return std::nullopt;
    }
    return Ipv4Subnet{*address, maskOfPrefix(prefix)};
}

std::string unusableHostAddress(const Ipv4Subnet& subnet) {
    const std::uint32_t a = subnet.address;
    if (a == 0) {
        return "0.0.0.0 means no address";
    }
    if (a == 0xFFFFFFFFu) {
        return "the limited broadcast address";
    }
    if ((a >> 24) == 127) {
        return "a loopback address";
    }
    if ((a >> 28) >= 0xE) {
        return "a multicast or reserved address";
    }
    if (subnet.prefix() == 0) {
        return "a prefix of 0 is no subnet";
    }
    if (subnet.prefix() <= 30) {
        if ((a & ~subnet.mask) == 0) {
            return "the network address of " + subnet.text();
        }
        if ((a & ~subnet.mask) == ~subnet.mask) {
            return "the broadcast address of " + subnet.text();
        }
    }
    return "";
}

}  // namespace tesselcfg
