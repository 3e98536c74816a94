// Any bytes as the replies of a hostile or broken controller to the host tool: every reply is
// decoded without reading past it, and what the tool prints for people holds no control
// characters or broken UTF-8, whatever the controller put into its texts; JSON output stays
// valid JSON.
#include <cstdint>
#include <cstring>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cmdserver/CommandPacket.h"
#include "tools/tesselcfg/AdvancedEnet.h"
#include "tools/tesselcfg/DiscoveryNotes.h"
#include "tools/tesselcfg/IpConfigRequest.h"
#include "tools/tesselcfg/Ipv4Address.h"
#include "tools/tesselcfg/Output.h"
#include "tools/tesselcfg/PrintableText.h"
#include "tools/tesselcfg/Protocol.h"
#include "tools/tesselcfg/ProvisioningPlan.h"
#include "tools/tesselcfg/Refusal.h"
#include "tools/tesselcfg/Session.h"

namespace {

using namespace tesselcfg;

void mustPrint(const std::string& text) {
    if (!isPrintableOutput(text)) {
        __builtin_trap();
    }
}

void mustBeJson(const nlohmann::json& value) {
    const std::string text = dumpJson(value);
    if (!nlohmann::json::accept(text)) {
        __builtin_trap();
    }
}

std::uint32_t wordAt(const CommandPacket& p, std::size_t offset) {
    std::uint32_t value;
    std::memcpy(&value, reinterpret_cast<const char*>(&p) + offset, sizeof value);
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The install report is printed as it came when it is a dotted address.
    const std::string report(reinterpret_cast<const char*>(data), size < 64 ? size : 64);
    if (parseDotted(report)) {
        mustPrint("New address: " + report + "\n");
    }

    // Whole packets as the transports take them off the wire (shorter datagrams and frames
    // are dropped there); at most eight controllers.
    std::vector<CommandPacket> replies;
    for (std::size_t at = 0; at + sizeof(CommandPacket) <= size && replies.size() < 8;
         at += sizeof(CommandPacket)) {
        CommandPacket p;
        std::memcpy(&p, data + at, sizeof p);
        rx_fwk::convertPacketByteOrder(p);
        replies.push_back(p);
    }
    if (replies.empty()) {
        return 0;
    }

    std::vector<Sighting> sightings;
    std::vector<Controller> controllers;
    std::map<MacAddress, Reported> reported;
    std::vector<ManifestEntry> manifest;
    for (std::size_t i = 0; i < replies.size(); ++i) {
        const CommandPacket& reply = replies[i];
        Controller c = decodePing(reply);
        c.state = stateText(reply);
        controllers.push_back(c);
        sightings.push_back(
            Sighting{c, i % 2 ? std::nullopt
                              : std::optional<std::vector<Ipv4Subnet>>(std::vector<Ipv4Subnet>{})});
        mustBeJson(toJson(c));
        mustPrint(stateReport(reply));
        mustPrint(attributeReport(reply));
        const std::uint8_t requests[] = {rx_fwk::CmdPing,   rx_fwk::CmdLock,     rx_fwk::CmdReset,
                                         rx_fwk::CmdSerial, rx_fwk::CmdFirmware, reply.command};
        for (std::uint8_t request : requests) {
            mustPrint(refusalOf(request, reply).text());
        }
        for (std::uint32_t id : capabilities(reply)) {
            mustPrint(extensionName(id));
        }
        codeOfExtension(reply, kQueryAttrsExtension);
        mustPrint(formatMac(deviceMacAt(reply, rx_fwk::enet::kP32)) +
                  formatMac(deviceMacAt(reply, rx_fwk::enet::kP36)) +
                  deviceModeName(wordAt(reply, rx_fwk::enet::kP40)) +
                  mediaModeName(wordAt(reply, rx_fwk::enet::kP44)) +
                  mediaModeList(wordAt(reply, rx_fwk::enet::kP48)) +
                  operationModeName(wordAt(reply, rx_fwk::enet::kP44)));

        // The comment probes of apply and of the changing commands: this reply and the next.
        const Identity identity = identityFromProbes(reply, replies[(i + 1) % replies.size()]);
        reported[c.mac] = Reported{c, identity, (reply.flags & 2) != 0};
        ManifestEntry entry;
        entry.line = static_cast<int>(i) + 2;
        entry.mac = c.mac;
        entry.hostName = "wanted";
        entry.comment = "wanted comment";
        entry.locked = false;
        manifest.push_back(entry);
        for (const std::string& d : differences(entry, reported[c.mac], reported[c.mac])) {
            mustPrint(d);
        }
    }
    mustPrint(controllerTable(controllers));
    addDiscoveryNotes(sightings);
    for (const Sighting& s : sightings) {
        for (const std::string& note : s.controller.notes) {
            mustPrint(note);
        }
    }
    makePlan(manifest, reported, controllers, false);
    return 0;
}
