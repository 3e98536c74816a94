// tesselcfg: finds controllers on the network, queries and changes them over the
// configuration protocol. Exit status: 0 answered (ACK), 1 refused (NAK), 2 bad usage,
// 3 no answer.
#include <arpa/inet.h>
#include <net/if.h>

#include <CLI/CLI.hpp>
#include <iostream>

#include "lifeboat/Version.h"
#include "tools/tesselcfg/commands/CommandTable.h"
#include "tools/tesselcfg/commands/UsageErrors.h"

int main(int argc, char** argv) {
    using namespace tesselcfg;
    Options options;
    // Named here: the usage lines would otherwise show the path it was started by.
    CLI::App app{"Finds controllers, queries and changes them over the configuration protocol.",
                 "tesselcfg"};
    app.set_version_flag("--version", std::string("tesselcfg ") + LIFEBOAT_VERSION,
                         "Print the version and exit");
    app.require_subcommand(1);
    app.fallthrough();  // global options also after the subcommand
    app.add_option("-i,--interface", options.interfaceName,
                   "Network interface for broadcasts (default: every interface that is up)");
    app.add_option("--tcp", options.tcpAddress,
                   "Use TCP to this controller address instead of UDP broadcast");
    app.add_option("-t,--timeout", options.timeout, "Seconds to wait for answers")
        ->check(positiveSeconds())
        ->capture_default_str();
    app.add_flag("--json", options.json, "Print JSON");

    CommandTable commands(app, options);
    commands.setUp();
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        return usageExit(app, e);
    }

    MacAddress mac{};
    if (!options.mac.empty()) {
        auto parsed = parseMac(options.mac);
        if (!parsed) {
            std::cerr << "tesselcfg: not a MAC address: " << options.mac << "\n";
            return ExitUsage;
        }
        mac = *parsed;
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
        return commands.runParsed(session, mac);
    } catch (const TransportError& e) {
        std::cerr << "tesselcfg: " << e.what() << "\n";
        return ExitNoAnswer;
    }
}
