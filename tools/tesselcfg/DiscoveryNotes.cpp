#include "tools/tesselcfg/DiscoveryNotes.h"

#include <algorithm>

namespace tesselcfg {
namespace {

std::uint32_t addressOf(const Controller& c) {
    return parseDotted(c.ip).value_or(0);
}

std::string subnetNote(const Sighting& s) {
    const std::uint32_t address = addressOf(s.controller);
    if (address == 0) {
        return "has no IP address";
    }
    if (!s.interfaceSubnets) {
        return "";
    }
    const auto& subnets = *s.interfaceSubnets;
    const bool fits = std::any_of(subnets.begin(), subnets.end(),
                                  [address](const Ipv4Subnet& n) { return n.contains(address); });
    if (fits) {
        return "";
    }
    std::string where = s.controller.interfaceName.empty() ? "the interface it answered on"
                                                           : s.controller.interfaceName;
    if (subnets.empty()) {
        return "address " + s.controller.ip + " cannot be reached: " + where +
               " has no IPv4 address";
    }
    std::string list;
    for (const Ipv4Subnet& n : subnets) {
        list += (list.empty() ? "" : ", ") + n.text();
    }
    return "address " + s.controller.ip + " does not fit the subnet of " + where + " (" + list +
           ")";
}

}  // namespace

void addDiscoveryNotes(std::vector<Sighting>& sightings) {
    for (Sighting& s : sightings) {
        const std::string note = subnetNote(s);
        if (!note.empty()) {
            s.controller.notes.push_back(note);
        }
        const std::uint32_t address = addressOf(s.controller);
        if (address == 0) {
            continue;
        }
        for (const Sighting& other : sightings) {
            if (&other != &s && addressOf(other.controller) == address) {
                s.controller.notes.push_back("address " + s.controller.ip + " is also held by " +
                                             formatMac(other.controller.mac));
            }
        }
    }
}

std::optional<Controller> holderOf(std::uint32_t address, const std::vector<Sighting>& sightings,
                                   const MacAddress& except) {
    for (const Sighting& s : sightings) {
        if (s.controller.mac != except && addressOf(s.controller) == address) {
            return s.controller;
        }
    }
    return std::nullopt;
}

}  // namespace tesselcfg
