// The tool's commands: each group of commands adds itself to the table from its own file,
// and main runs the one the command line chose.
#pragma once

#include <CLI/CLI.hpp>
#include <functional>
#include <string>
#include <vector>

#include "tools/tesselcfg/MacAddress.h"
#include "tools/tesselcfg/Session.h"

namespace tesselcfg {

enum ExitStatus { ExitAck = 0, ExitNak = 1, ExitUsage = 2, ExitNoAnswer = 3 };

class CommandTable {
public:
    // The controller the command line named with --mac (zeros for commands without one).
    using Runner = std::function<int(Session&, const MacAddress&)>;
    enum class Addressed { ByMac, No };
    using GroupSetup = void (*)(CommandTable&);

    CommandTable(CLI::App& app, Options& options) : app_(app), options_(options) {}

    CLI::App* add(const std::string& name, const std::string& description, Addressed addressed,
                  Runner run);
    const Options& options() const { return options_; }

    // Groups register from static objects; setUp adds them all in their order.
    static void registerGroup(int order, GroupSetup setup);
    void setUp();

    // The exit status of the command that was parsed.
    int runParsed(Session& session, const MacAddress& mac) const;

private:
    struct Entry {
        CLI::App* command;
        Runner run;
    };
    CLI::App& app_;
    Options& options_;
    std::vector<Entry> entries_;
};

struct CommandGroup {
    CommandGroup(int order, CommandTable::GroupSetup setup) {
        CommandTable::registerGroup(order, setup);
    }
};

}  // namespace tesselcfg
