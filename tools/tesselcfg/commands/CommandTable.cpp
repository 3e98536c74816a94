#include "tools/tesselcfg/commands/CommandTable.h"

#include <algorithm>
#include <utility>

namespace tesselcfg {
namespace {

std::vector<std::pair<int, CommandTable::GroupSetup>>& groups() {
    static std::vector<std::pair<int, CommandTable::GroupSetup>> all;
    return all;
}

}  // namespace

void CommandTable::registerGroup(int order, GroupSetup setup) {
    groups().emplace_back(order, setup);
}

void CommandTable::setUp() {
    auto sorted = groups();
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (const auto& group : sorted) {
        group.second(*this);
    }
}

CLI::App* CommandTable::add(const std::string& name, const std::string& description,
                            Addressed addressed, Runner run) {
    CLI::App* command = app_.add_subcommand(name, description);
    if (addressed == Addressed::ByMac) {
        command->add_option("-m,--mac", options_.mac, "MAC address of the controller")->required();
    }
    entries_.push_back(Entry{command, std::move(run)});
    return command;
}

int CommandTable::runParsed(Session& session, const MacAddress& mac) const {
    for (const Entry& e : entries_) {
        if (e.command->parsed()) {
            return e.run(session, mac);
        }
    }
    return ExitUsage;
}

}  // namespace tesselcfg
