// tesselcfg: finds controllers on the network and queries them over the configuration
// protocol. Exit status: 0 answered (ACK), 1 refused (NAK), 2 bad usage, 3 no answer.
#include <arpa/inet.h>
#include <net/if.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "tools/tesselcfg/MacAddress.h"
#include "tools/tesselcfg/Output.h"
#include "tools/tesselcfg/Protocol.h"
#include "tools/tesselcfg/TcpTransport.h"
#include "tools/tesselcfg/UdpBroadcastTransport.h"

namespace tesselcfg {
namespace {

enum ExitStatus { ExitAck = 0, ExitNak = 1, ExitUsage = 2, ExitNoAnswer = 3 };

struct Options {
    std::string interfaceName;
    std::string tcpAddress;
    double timeout = 2.0;
    bool json = false;
    std::string mac;
    std::string attribute;
};

class Session {
public:
    explicit Session(const Options& options) : options_(options) {
        if (options.tcpAddress.empty()) {
            transport_ = std::make_unique<UdpBroadcastTransport>(options.interfaceName);
        } else {
            transport_ = std::make_unique<TcpTransport>(options.tcpAddress);
        }
    }

    Clock::time_point deadline() const {
        return Clock::now() +
               std::chrono::microseconds(static_cast<long long>(options_.timeout * 1e6));
    }

    // Every ACK to a discovery Ping until the time-out, one per controller.
    std::vector<CommandPacket> discover() {
        const CommandPacket ping = makeRequest(rx_fwk::CmdPing, MacAddress{});
        auto replies = transport_->exchange(
            ping, [](const CommandPacket& p) { return p.command == rx_fwk::ACK; }, true,
            deadline());
        std::vector<CommandPacket> unique;
        for (const CommandPacket& r : replies) {
            auto same = [&r](const CommandPacket& u) { return macOf(u) == macOf(r); };
            if (std::none_of(unique.begin(), unique.end(), same)) {
                unique.push_back(r);
            }
        }
        std::sort(unique.begin(), unique.end(), [](const CommandPacket& a, const CommandPacket& b) {
            return macOf(a) < macOf(b);
        });
        return unique;
    }

    // The reply of the controller with the request's MAC address.
    std::optional<CommandPacket> ask(const CommandPacket& request) {
        const MacAddress mac = macOf(request);
        auto replies = transport_->exchange(
            request,
            [mac](const CommandPacket& p) {
                return macOf(p) == mac && (p.command == rx_fwk::ACK || p.command == rx_fwk::NAK ||
                                           p.command == rx_fwk::QueryCapsReply);
            },
            false, deadline());
        if (replies.empty()) {
            return std::nullopt;
        }
        return replies.front();
    }

    std::optional<std::string> state(const MacAddress& mac) {
        auto reply = ask(makeRequest(rx_fwk::CmdSpQuery, mac));
        if (!reply || reply->command != rx_fwk::ACK) {
            return std::nullopt;
        }
        return areaText(reinterpret_cast<const char*>(&*reply) + offsetof(CommandPacket, text1),
                        96);
    }

private:
    Options options_;
    std::unique_ptr<Transport> transport_;
};

void print(const Options& options, const nlohmann::json& json, const std::string& text) {
    std::cout << (options.json ? dumpJson(json) : text);
}

int noAnswer(const std::string& what) {
    std::cerr << "tesselcfg: no controller answered " << what << "\n";
    return ExitNoAnswer;
}

// A refusal: the status is named for people and scripts.
int refused(const Options& options, const CommandPacket& reply) {
    const std::string name = nakStatusName(reply.status);
    nlohmann::json j{{"mac", formatMac(macOf(reply))},
                     {"nak", {{"status", reply.status}, {"name", name}}}};
    print(options, j, "NAK: " + name + " (" + std::to_string(reply.status) + ")\n");
    return ExitNak;
}

int runDiscover(Session& session, const Options& options) {
    std::vector<Controller> controllers;
    for (const CommandPacket& reply : session.discover()) {
        controllers.push_back(decodePing(reply));
    }
    for (Controller& c : controllers) {
        c.state = session.state(c.mac);
    }
    nlohmann::json list = nlohmann::json::array();
    for (const Controller& c : controllers) {
        list.push_back(toJson(c));
    }
    if (controllers.empty()) {
        if (options.json) {
            std::cout << dumpJson(list);
        }
        return noAnswer("the discovery");
    }
    print(options, list, controllerTable(controllers));
    return ExitAck;
}

int runPing(Session& session, const Options& options, const MacAddress& mac) {
    auto reply = session.ask(makeRequest(rx_fwk::CmdPing, mac));
    if (!reply) {
        return noAnswer("the ping");
    }
    if (reply->command != rx_fwk::ACK) {
        return refused(options, *reply);
    }
    Controller c = decodePing(*reply);
    c.state = session.state(mac);
    print(options, toJson(c), controllerTable({c}));
    return ExitAck;
}

int runCaps(Session& session, const Options& options, const MacAddress& mac) {
    auto reply = session.ask(makeRequest(rx_fwk::CmdQueryCaps, mac));
    if (!reply) {
        return noAnswer("the capability query");
    }
    if (reply->command != rx_fwk::QueryCapsReply) {
        return refused(options, *reply);
    }
    const auto ids = capabilities(*reply);
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
                     {"flags", reply->flags},
                     {"identifiers", ids},
                     {"extensions", extensions}};
    print(options, j, text);
    return ExitAck;
}

int runAttr(Session& session, const Options& options, const MacAddress& mac) {
    auto caps = session.ask(makeRequest(rx_fwk::CmdQueryCaps, mac));
    if (!caps) {
        return noAnswer("the capability query");
    }
    if (caps->command != rx_fwk::QueryCapsReply) {
        return refused(options, *caps);
    }
    auto code = codeOfExtension(*caps, kQueryAttrsExtension);
    if (!code) {
        std::cerr << "tesselcfg: the controller has no attribute query\n";
        return ExitNak;
    }
    CommandPacket request = makeRequest(*code, mac);
    // The name spans text1 and text2.
    auto* area = reinterpret_cast<char*>(&request) + offsetof(CommandPacket, text1);
    std::copy(options.attribute.begin(), options.attribute.end(), area);
    auto reply = session.ask(request);
    if (!reply) {
        return noAnswer("the attribute query");
    }
    if (reply->command != rx_fwk::ACK) {
        return refused(options, *reply);
    }
    const std::string value = areaText(reply->data, sizeof reply->data);
    nlohmann::json j{{"mac", formatMac(mac)}, {"name", options.attribute}, {"value", value}};
    print(options, j, value + "\n");
    return ExitAck;
}

int runState(Session& session, const Options& options, const MacAddress& mac) {
    auto reply = session.ask(makeRequest(rx_fwk::CmdSpQuery, mac));
    if (!reply) {
        return noAnswer("the state query");
    }
    if (reply->command != rx_fwk::ACK) {
        return refused(options, *reply);
    }
    const std::string state =
        areaText(reinterpret_cast<const char*>(&*reply) + offsetof(CommandPacket, text1), 96);
    const bool halt = (reply->flags & 0x0001) != 0;
    const bool protect = (reply->flags & 0x0002) != 0;
    nlohmann::json j{{"mac", formatMac(mac)},
                     {"state", state},
                     {"haltOnError", halt},
                     {"protectReboot", protect}};
    print(options, j,
          state + "\nhalt on error: " + (halt ? "yes" : "no") +
              "\nreboot protected: " + (protect ? "yes" : "no") + "\n");
    return ExitAck;
}

}  // namespace
}  // namespace tesselcfg

int main(int argc, char** argv) {
    using namespace tesselcfg;
    Options options;
    CLI::App app{"Finds controllers and queries them over the configuration protocol."};
    app.require_subcommand(1);
    app.fallthrough();  // global options also after the subcommand
    app.add_option("-i,--interface", options.interfaceName,
                   "Network interface for broadcasts (default: every interface that is up)");
    app.add_option("--tcp", options.tcpAddress,
                   "Use TCP to this controller address instead of UDP broadcast");
    app.add_option("-t,--timeout", options.timeout, "Seconds to wait for answers")
        ->check(CLI::PositiveNumber)
        ->capture_default_str();
    app.add_flag("--json", options.json, "Print JSON");

    auto macOption = [&options](CLI::App* sub) {
        sub->add_option("-m,--mac", options.mac, "MAC address of the controller")->required();
    };
    CLI::App* discover = app.add_subcommand("discover", "List every controller that answers");
    CLI::App* ping = app.add_subcommand("ping", "Identity and network settings of a controller");
    macOption(ping);
    CLI::App* caps = app.add_subcommand("caps", "Extension commands of a controller");
    macOption(caps);
    CLI::App* attr = app.add_subcommand("attr", "A named attribute of a controller (os, class)");
    attr->add_option("name", options.attribute, "Attribute name")->required();
    macOption(attr);
    CLI::App* state = app.add_subcommand("state", "System state and protection flags");
    macOption(state);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        app.exit(e);
        return e.get_exit_code() == 0 ? ExitAck : ExitUsage;
    }

    std::optional<MacAddress> mac;
    if (!options.mac.empty()) {
        mac = parseMac(options.mac);
        if (!mac) {
            std::cerr << "tesselcfg: not a MAC address: " << options.mac << "\n";
            return ExitUsage;
        }
    }
    if (options.attribute.size() >= 64) {
        std::cerr << "tesselcfg: attribute names have at most 63 characters\n";
        return ExitUsage;
    }
    if (!options.interfaceName.empty() && if_nametoindex(options.interfaceName.c_str()) == 0) {
        std::cerr << "tesselcfg: no network interface named " << options.interfaceName << "\n";
        return ExitUsage;
    }

    in_addr tcpAddress{};
    if (!options.tcpAddress.empty() &&
        inet_pton(AF_INET, options.tcpAddress.c_str(), &tcpAddress) != 1) {
        std::cerr << "tesselcfg: not an IPv4 address: " << options.tcpAddress << "\n";
        return ExitUsage;
    }

    try {
        Session session(options);
        if (discover->parsed()) {
            return runDiscover(session, options);
        }
        if (ping->parsed()) {
            return runPing(session, options, *mac);
        }
        if (caps->parsed()) {
            return runCaps(session, options, *mac);
        }
        if (attr->parsed()) {
            return runAttr(session, options, *mac);
        }
        return runState(session, options, *mac);
    } catch (const TransportError& e) {
        std::cerr << "tesselcfg: " << e.what() << "\n";
        return ExitNoAnswer;
    }
}
