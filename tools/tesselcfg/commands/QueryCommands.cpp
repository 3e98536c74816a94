// Commands that only read: discover, ping, caps, attr, state.
#include <cstdio>
#include <iostream>
#include <memory>

#include "tools/tesselcfg/DiscoveryNotes.h"
#include "tools/tesselcfg/Output.h"
#include "tools/tesselcfg/commands/Report.h"

namespace tesselcfg {
namespace {

constexpr std::size_t kAttributeNameCapacity = 63;

int runDiscover(Session& session, std::size_t count) {
    const Options& options = session.options();
    std::vector<Sighting> sightings;
    for (const Reply& reply : session.discover(count)) {
        Controller c = decodePing(reply.packet);
        c.interfaceName = reply.interfaceName;
        sightings.push_back(Sighting{c, reply.interfaceSubnets});
    }
    addDiscoveryNotes(sightings);
    std::vector<Controller> controllers;
    for (const Sighting& s : sightings) {
        controllers.push_back(s.controller);
    }
    const auto states = session.states(controllers);
    for (std::size_t i = 0; i < controllers.size(); ++i) {
        controllers[i].state = states[i];
    }
    nlohmann::json list = nlohmann::json::array();
    std::string notes;
    for (const Controller& c : controllers) {
        list.push_back(toJson(c));
        for (const std::string& note : c.notes) {
            notes += "note: " + formatMac(c.mac) + ": " + note + "\n";
        }
    }
    if (controllers.empty()) {
        if (options.json) {
            std::cout << dumpJson(list);
        }
        return noAnswer("the discovery");
    }
    print(options, list, controllerTable(controllers) + notes);
    return ExitAck;
}

int runPing(Session& session, const MacAddress& mac) {
    auto reply = session.ask(makeRequest(rx_fwk::CmdPing, mac));
    if (!reply) {
        return noAnswer("the ping");
    }
    if (reply->packet.command != rx_fwk::ACK) {
        return refused(session.options(), rx_fwk::CmdPing, reply->packet);
    }
    Controller c = decodePing(reply->packet);
    c.interfaceName = reply->interfaceName;
    c.state = session.state(mac);
    print(session.options(), toJson(c), controllerTable({c}));
    return ExitAck;
}

int runCaps(Session& session, const MacAddress& mac) {
    auto reply = session.ask(makeRequest(rx_fwk::CmdQueryCaps, mac));
    if (!reply) {
        return noAnswer("the capability query");
    }
    if (reply->packet.command != rx_fwk::QueryCapsReply) {
        return refused(session.options(), rx_fwk::CmdQueryCaps, reply->packet);
    }
    const auto ids = capabilities(reply->packet);
    nlohmann::json extensions = nlohmann::json::array();
    std::string text;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const unsigned code = rx_fwk::kFirstExtensionCode + i;
        if (ids[i] == 0) {
            continue;
        }
        extensions.push_back(
            {{"code", code}, {"identifier", ids[i]}, {"name", extensionName(ids[i])}});
        char line[64];
        std::snprintf(line, sizeof line, "0x%02X  %u  %s\n", code, ids[i],
                      extensionName(ids[i]).c_str());
        text += line;
    }
    nlohmann::json j{{"mac", formatMac(mac)},
                     {"flags", reply->packet.flags},
                     {"identifiers", ids},
                     {"extensions", extensions}};
    print(session.options(), j, text);
    return ExitAck;
}

int runAttr(Session& session, const MacAddress& mac, const std::string& name) {
    if (name.size() > kAttributeNameCapacity) {
        return usageError("attribute names have at most 63 characters");
    }
    auto caps = session.ask(makeRequest(rx_fwk::CmdQueryCaps, mac));
    if (!caps) {
        return noAnswer("the capability query");
    }
    if (caps->packet.command != rx_fwk::QueryCapsReply) {
        return refused(session.options(), rx_fwk::CmdQueryCaps, caps->packet);
    }
    auto code = codeOfExtension(caps->packet, kQueryAttrsExtension);
    if (!code) {
        return failure("the controller has no attribute query");
    }
    CommandPacket request = makeRequest(*code, mac);
    // The name spans text1 and text2.
    auto* area = reinterpret_cast<char*>(&request) + offsetof(CommandPacket, text1);
    std::copy(name.begin(), name.end(), area);
    auto reply = session.ask(request);
    if (!reply) {
        return noAnswer("the attribute query");
    }
    if (reply->packet.command != rx_fwk::ACK) {
        Refusal refusal = refusalOf(*code, reply->packet);
        if (reply->packet.status == rx_fwk::StatusUnsupported) {
            refusal.reason = "no attribute of that name";
        }
        return refused(session.options(), *code, reply->packet, refusal);
    }
    const std::string value = areaText(reply->packet.data, sizeof reply->packet.data);
    nlohmann::json j{{"mac", formatMac(mac)}, {"name", name}, {"value", value}};
    print(session.options(), j, attributeReport(reply->packet));
    return ExitAck;
}

int runState(Session& session, const MacAddress& mac) {
    auto reply = session.ask(makeRequest(rx_fwk::CmdSpQuery, mac));
    if (!reply) {
        return noAnswer("the state query");
    }
    if (reply->packet.command != rx_fwk::ACK) {
        return refused(session.options(), rx_fwk::CmdSpQuery, reply->packet);
    }
    const std::string state = stateText(reply->packet);
    const bool halt = (reply->packet.flags & 0x0001) != 0;
    const bool protect = (reply->packet.flags & 0x0002) != 0;
    nlohmann::json j{{"mac", formatMac(mac)},
                     {"state", state},
                     {"haltOnError", halt},
                     {"protectReboot", protect}};
    print(session.options(), j, stateReport(reply->packet));
    return ExitAck;
}

void setUp(CommandTable& table) {
    using A = CommandTable::Addressed;
    auto count = std::make_shared<std::size_t>(Transport::kEvery);
    table
        .add("discover", "List every controller that answers", A::No,
             [count](Session& s, const MacAddress&) { return runDiscover(s, *count); })
        ->add_option("--count", *count,
                     "Stop listening once this many controllers answered (the time-out "
                     "still bounds the wait)")
        ->check(CLI::PositiveNumber);
    table.add("ping", "Identity and network settings of a controller", A::ByMac, runPing);
    table.add("caps", "Extension commands of a controller", A::ByMac, runCaps);
    auto name = std::make_shared<std::string>();
    table
        .add("attr", "A named attribute of a controller (os, class)", A::ByMac,
             [name](Session& s, const MacAddress& mac) { return runAttr(s, mac, *name); })
        ->add_option("name", *name, "Attribute name")
        ->required();
    table.add("state", "System state and protection flags", A::ByMac, runState);
}

const CommandGroup kGroup(10, setUp);

}  // namespace
}  // namespace tesselcfg
