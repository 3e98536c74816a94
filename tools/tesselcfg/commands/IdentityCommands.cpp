// Commands that change what IpConfig and Preset store: set-ip, set-name, set-comment,
// preset.
#include <iostream>
#include <memory>

#include "tools/tesselcfg/DiscoveryNotes.h"
#include "tools/tesselcfg/IpSettings.h"
#include "tools/tesselcfg/commands/Report.h"

namespace tesselcfg {
namespace {

const char kStoredIsNotLive[] =
    "The controller stores these settings but does not answer on them: this image always "
    "comes up by DHCP. Ping's \"IP configured\" flag is the only read-back.";

struct SetIpArguments {
    std::string mode;
    std::string address;
    std::string gateway;
    std::string dns;
    bool force = false;
};

int changeIdentity(Session& session, const MacAddress& mac, const IpChange& change,
                   const std::string& done, const nlohmann::json& json) {
    return outcome(session.options(), changeIpConfig(session, mac, change), done, json);
}

int runSetIp(Session& session, const MacAddress& mac, const SetIpArguments& args) {
    IpChange change;
    nlohmann::json stored;
    std::string done;
    if (args.mode == "dhcp") {
        if (!args.address.empty() || !args.gateway.empty() || !args.dns.empty()) {
            return usageError("set-ip dhcp takes no address, gateway or DNS server");
        }
        change.mode = IpMode::Dhcp;
        stored = {{"mode", "DHCP"}};
        done = "Stored: DHCP";
    } else {
        const std::string problem = staticIpSettings(args.address, args.gateway, args.dns, change);
        if (!problem.empty()) {
            return usageError("set-ip static: " + problem);
        }
        if (!args.force) {
            std::vector<Sighting> sightings;
            for (const Reply& r : session.discover()) {
                sightings.push_back(Sighting{decodePing(r.packet), std::nullopt});
            }
            if (auto holder = holderOf(change.address.address, sightings, mac)) {
                return failure("controller " + formatMac(holder->mac) + " answers on " +
                               holder->ip + " already (--force stores it anyway)");
            }
        }
        stored = {{"mode", "static"},
                  {"ip", dottedAddress(change.address.address)},
                  {"subnetMask", dottedAddress(change.address.mask)},
                  {"gateway", dottedAddress(change.gateway)},
                  {"dns", dottedAddress(change.dns)}};
        done = "Stored: " + ipSettingsText(change);
    }
    const Step step = changeIpConfig(session, mac, change);
    if (!step.acked()) {
        return stepFailure(session.options(), step);
    }
    auto ping = session.ask(makeRequest(rx_fwk::CmdPing, mac));
    nlohmann::json j{{"mac", formatMac(mac)}, {"ack", true}, {"stored", stored}};
    std::string text = done + "\n" + kStoredIsNotLive + "\n";
    if (ping && ping->packet.command == rx_fwk::ACK) {
        const Controller c = decodePing(ping->packet);
        j["ipConfigured"] = c.ipConfigured;
        j["answersOn"] = c.ip;
        text += std::string("IP configured: ") + (c.ipConfigured ? "yes" : "no") +
                "; the controller answers on " + c.ip + "\n";
    } else {
        j["ipConfigured"] = nullptr;
    }
    j["note"] = kStoredIsNotLive;
    print(session.options(), j, text);
    return ExitAck;
}

int runSetName(Session& session, const MacAddress& mac, const std::string& name) {
    const std::string problem = hostNameProblem(name);
    if (!problem.empty()) {
        return usageError(problem);
    }
    IpChange change;
    change.hostName = name;
    return changeIdentity(session, mac, change,
                          name.empty() ? "Host name cleared" : "Host name set to " + name,
                          {{"hostName", name}});
}

int runSetComment(Session& session, const MacAddress& mac, const std::string& comment) {
    const std::string problem = commentProblem(comment);
    if (!problem.empty()) {
        return usageError(problem);
    }
    IpChange change;
    change.comment = comment;
    return changeIdentity(session, mac, change, "Comment set", {{"comment", comment}});
}

int runPreset(Session& session, const MacAddress& mac) {
    return outcome(session.options(), rx_fwk::CmdPreset,
                   session.ask(makeRequest(rx_fwk::CmdPreset, mac)), "the preset",
                   "Network settings back to their defaults (no IP address configured)");
}

void setUp(CommandTable& table) {
    using A = CommandTable::Addressed;
    auto ip = std::make_shared<SetIpArguments>();
    CLI::App* setIp = table.add(
        "set-ip", "Store static IP settings (static ADDRESS/PREFIX) or DHCP (dhcp)", A::ByMac,
        [ip](Session& s, const MacAddress& mac) { return runSetIp(s, mac, *ip); });
    setIp->add_option("mode", ip->mode, "static or dhcp")
        ->required()
        ->check(CLI::IsMember({"static", "dhcp"}));
    setIp->add_option("address", ip->address, "ADDRESS/PREFIX (static)");
    setIp->add_option("--gateway", ip->gateway, "Default gateway (static)");
    setIp->add_option("--dns", ip->dns, "DNS server (static)");
    setIp->add_flag("--force", ip->force,
                    "Store the address even when another controller answers on it");
    setIp->footer(kStoredIsNotLive);

    auto name = std::make_shared<std::string>();
    table
        .add("set-name", "Set the host name (at most 32 bytes; empty clears it)", A::ByMac,
             [name](Session& s, const MacAddress& mac) { return runSetName(s, mac, *name); })
        ->add_option("name", *name, "Host name")
        ->required();
    auto comment = std::make_shared<std::string>();
    table
        .add("set-comment", "Set the comment (at most 64 bytes)", A::ByMac,
             [comment](Session& s, const MacAddress& mac) {
                 return runSetComment(s, mac, *comment);
             })
        ->add_option("text", *comment, "Comment")
        ->required();
    table.add("preset", "Reset the stored network settings to their defaults", A::ByMac, runPreset);
}

const CommandGroup kGroup(20, setUp);

}  // namespace
}  // namespace tesselcfg
