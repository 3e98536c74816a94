// Commands that change what IpConfig and Preset store: set-ip, set-name, set-comment,
// preset.
#include <iostream>
#include <memory>

#include "tools/tesselcfg/DiscoveryNotes.h"
#include "tools/tesselcfg/IpConfigRequest.h"
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

// Reads host name, comment and platform pair, so that IpConfig sends back what stays.
std::optional<Identity> readIdentity(Session& session, const MacAddress& mac, int& exitStatus) {
    CommandPacket probes[2];
    for (int i = 0; i < 2; ++i) {
        auto reply = session.ask(makeCommentProbe(mac, kCommentProbeFills[i]));
        if (!reply) {
            exitStatus = noAnswer("the ping");
            return std::nullopt;
        }
        if (reply->packet.command != rx_fwk::ACK) {
            exitStatus = refused(session.options(), rx_fwk::CmdPing, reply->packet);
            return std::nullopt;
        }
        probes[i] = reply->packet;
    }
    return identityFromProbes(probes[0], probes[1]);
}

// Sends IpConfig with the change and what the controller has now. The exit status when
// that could not be done; otherwise none, and `reply` holds IpConfig's reply, if any.
std::optional<int> sendIpConfig(Session& session, const MacAddress& mac, const IpChange& change,
                                std::optional<Reply>& reply) {
    int status = ExitAck;
    auto current = readIdentity(session, mac, status);
    if (!current) {
        return status;
    }
    if (!current->commentKnown && !change.comment) {
        return failure(
            "the controller's comment is too long to be read back, so it cannot be sent back "
            "unchanged; replace it first with set-comment");
    }
    reply = session.ask(makeIpConfig(mac, *current, change));
    return std::nullopt;
}

int changeIdentity(Session& session, const MacAddress& mac, const IpChange& change,
                   const std::string& done, const nlohmann::json& json) {
    std::optional<Reply> reply;
    if (auto stopped = sendIpConfig(session, mac, change, reply)) {
        return *stopped;
    }
    return outcome(session.options(), rx_fwk::CmdIpConfig, reply, "the IP configuration", done,
                   json);
}

std::optional<std::uint32_t> optionalAddress(const std::string& text, const std::string& what,
                                             int& exitStatus) {
    if (text.empty()) {
        return 0;
    }
    auto value = parseDotted(text);
    if (!value) {
        exitStatus = usageError("not an IPv4 address for the " + what + ": " + text);
    }
    return value;
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
        auto subnet = parseAddressWithPrefix(args.address);
        if (!subnet) {
            return usageError("set-ip static needs ADDRESS/PREFIX, for example 10.0.0.5/24");
        }
        const std::string unusable = unusableHostAddress(*subnet);
        if (!unusable.empty()) {
            return usageError(dottedAddress(subnet->address) + " is " + unusable);
        }
        int status = ExitUsage;
        auto gateway = optionalAddress(args.gateway, "gateway", status);
        auto dns = optionalAddress(args.dns, "DNS server", status);
        if (!gateway || !dns) {
            return status;
        }
        if (*gateway != 0 && (!subnet->contains(*gateway) || *gateway == subnet->address)) {
            return usageError("the gateway " + args.gateway + " is not another address in " +
                              subnet->text());
        }
        if (!args.force) {
            std::vector<Sighting> sightings;
            for (const Reply& r : session.discover()) {
                sightings.push_back(Sighting{decodePing(r.packet), std::nullopt});
            }
            if (auto holder = holderOf(subnet->address, sightings, mac)) {
                return failure("controller " + formatMac(holder->mac) + " answers on " +
                               holder->ip + " already (--force stores it anyway)");
            }
        }
        change.mode = IpMode::Static;
        change.address = *subnet;
        change.gateway = *gateway;
        change.dns = *dns;
        stored = {{"mode", "static"},
                  {"ip", dottedAddress(subnet->address)},
                  {"subnetMask", dottedAddress(subnet->mask)},
                  {"gateway", dottedAddress(*gateway)},
                  {"dns", dottedAddress(*dns)}};
        done = "Stored: static " + subnet->text() + ", gateway " + dottedAddress(*gateway) +
               ", DNS server " + dottedAddress(*dns);
    }
    std::optional<Reply> reply;
    if (auto stopped = sendIpConfig(session, mac, change, reply)) {
        return *stopped;
    }
    if (!reply || reply->packet.command != rx_fwk::ACK) {
        return outcome(session.options(), rx_fwk::CmdIpConfig, reply, "the IP configuration", "");
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
