#include "tools/tesselcfg/IpSettings.h"

#include <optional>

namespace tesselcfg {
namespace {

std::optional<std::uint32_t> optionalAddress(const std::string& text, const std::string& what,
                                             std::string& problem) {
    if (text.empty()) {
        return 0;
    }
    auto value = parseDotted(text);
    if (!value) {
        problem = "not an IPv4 address for the " + what + ": " + text;
    }
    return value;
}

}  // namespace

std::string staticIpSettings(const std::string& address, const std::string& gateway,
                             const std::string& dns, IpChange& change) {
    auto subnet = parseAddressWithPrefix(address);
    if (!subnet) {
        return address.empty() ? "ADDRESS/PREFIX needed, for example 10.0.0.5/24"
                               : "not ADDRESS/PREFIX (for example 10.0.0.5/24): " + address;
    }
    const std::string unusable = unusableHostAddress(*subnet);
    if (!unusable.empty()) {
        return dottedAddress(subnet->address) + " is " + unusable;
    }
    std::string problem;
    auto gatewayValue = optionalAddress(gateway, "gateway", problem);
    auto dnsValue = optionalAddress(dns, "DNS server", problem);
    if (!gatewayValue || !dnsValue) {
        return problem;
    }
    if (*gatewayValue != 0 &&
        (!subnet->contains(*gatewayValue) || *gatewayValue == subnet->address)) {
        return "the gateway " + gateway + " is not another address in " + subnet->text();
    }
    change.mode = IpMode::Static;
    change.address = *subnet;
    change.gateway = *gatewayValue;
    change.dns = *dnsValue;
    return "";
}

std::string ipSettingsText(const IpChange& change) {
    switch (change.mode) {
        case IpMode::Dhcp:
            return "DHCP";
        case IpMode::Static:
            return "static " + change.address.text() + ", gateway " +
                   dottedAddress(change.gateway) + ", DNS server " + dottedAddress(change.dns);
        case IpMode::Keep:
            break;
    }
    return "kept";
}

}  // namespace tesselcfg
