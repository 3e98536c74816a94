// What discovery points out: a controller the host cannot reach by its address on the
// interface it answered on, and two controllers that answer with one address.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "tools/tesselcfg/Ipv4Address.h"
#include "tools/tesselcfg/Protocol.h"

namespace tesselcfg {

// One controller as discovery saw it.
struct Sighting {
    Controller controller;
    // The subnets of the interface its reply came in on; nothing when it came over TCP
    // (where the address is reachable by definition).
    std::optional<std::vector<Ipv4Subnet>> interfaceSubnets;
};

// Adds the notes to each controller.
void addDiscoveryNotes(std::vector<Sighting>& sightings);

// The controller other than `except` that answers with `address`.
std::optional<Controller> holderOf(std::uint32_t address, const std::vector<Sighting>& sightings,
                                   const MacAddress& except);

}  // namespace tesselcfg
