// apply: brings the controllers of a manifest to what it lists. Discovers, prints the plan,
// sends the changes (unless --dry-run) and reads every controller back.
#include <iostream>
#include <map>
#include <memory>

#include "tools/tesselcfg/Manifest.h"
#include "tools/tesselcfg/Output.h"
#include "tools/tesselcfg/PrintableText.h"
#include "tools/tesselcfg/ProvisioningSteps.h"
#include "tools/tesselcfg/commands/PasswordOptions.h"
#include "tools/tesselcfg/commands/Report.h"

namespace tesselcfg {
namespace {

const char kIpNote[] =
    "Stored IP settings cannot be read back: a controller answers on its DHCP address and "
    "reports only whether IP settings are stored (\"IP configured\"). They are sent whenever "
    "a row gives them, and checked by that flag.";

struct ApplyArguments {
    std::string manifest;
    bool dryRun = false;
    bool force = false;
    PasswordSource password;
};

// How a controller of the manifest ended.
enum class Ending { AsWanted, NotAsWanted, NoAnswer };

struct Outcome {
    std::vector<Step> steps;
    std::optional<Reported> after;
    std::vector<std::string> differences;
    Ending ending = Ending::AsWanted;
};

std::string withoutArticle(const std::string& what) {
    return what.compare(0, 4, "the ") == 0 ? what.substr(4) : what;
}

const char* stateName(ItemState state) {
    switch (state) {
        case ItemState::Right:
            return "right";
        case ItemState::Change:
            return "change";
        case ItemState::Send:
            return "send";
    }
    return "";
}

std::string shown(const PlanItem& item, const std::optional<std::string>& value) {
    if (!value) {
        return "(cannot be read back)";
    }
    return item.quoted ? "\"" + printable(*value) + "\"" : printable(*value);
}

std::string itemText(const PlanItem& item) {
    switch (item.state) {
        case ItemState::Right:
            return shown(item, item.now) + ", as wanted";
        case ItemState::Change:
            return shown(item, item.now) + " -> " + shown(item, item.wanted);
        case ItemState::Send:
            return shown(item, item.wanted) + ": sent, as it cannot be read back (now " +
                   item.note + ")";
    }
    return "";
}

std::string heading(const ControllerPlan& c) {
    std::string text = formatMac(c.entry.mac) + " (line " + std::to_string(c.entry.line) +
                       ", answers on " + c.now.ping.ip + "): ";
    if (!c.blocked.empty()) {
        return text + "nothing is sent: " + c.blocked;
    }
    if (!c.changes()) {
        return text + "nothing to change";
    }
    if (c.unlock && c.lock) {
        return text + "locked: unlocked for the changes and locked again";
    }
    return text + "changes";
}

std::string planText(const Plan& plan, bool anyIp) {
    std::string text = "Plan:\n";
    for (const ControllerPlan& c : plan.controllers) {
        text += heading(c) + "\n";
        for (const PlanItem& item : c.items) {
            text += "  " + item.name + ": " + itemText(item) + "\n";
        }
    }
    if (!plan.silent.empty()) {
        text += "Did not answer (in the manifest):\n";
        for (const ManifestEntry& e : plan.silent) {
            text += "  " + formatMac(e.mac) + " (line " + std::to_string(e.line) + ")\n";
        }
    }
    if (!plan.unlisted.empty()) {
        text += "Answered, not in the manifest (left alone):\n";
        for (const Controller& c : plan.unlisted) {
            text += "  " + formatMac(c.mac) + " " + c.ip +
                    (c.hostName.empty() ? "" : " \"" + printable(c.hostName) + "\"") + "\n";
        }
    }
    if (anyIp) {
        text += std::string("Note: ") + kIpNote + "\n";
    }
    return text;
}

std::string stepText(const Step& step) {
    const std::string what = withoutArticle(step.what);
    if (!step.toolRefusal.empty()) {
        return what + ": not sent: " + step.toolRefusal;
    }
    if (!step.reply) {
        return what + ": no answer";
    }
    if (step.acked()) {
        return what + ": ACK";
    }
    return what + ": " + refusalOf(step.request, step.reply->packet).text();
}

nlohmann::json stepJson(const Step& step) {
    nlohmann::json j{{"what", withoutArticle(step.what)}, {"ack", step.acked()}};
    j["answered"] = step.reply.has_value();
    if (!step.toolRefusal.empty()) {
        j["notSent"] = step.toolRefusal;
    } else if (step.reply && !step.acked()) {
        j["nak"] = refusalOf(step.request, step.reply->packet).text();
    }
    return j;
}

Outcome applyAndVerify(Session& session, const ControllerPlan& c,
                       const std::optional<PasswordHash>& password) {
    Outcome outcome;
    if (!c.blocked.empty()) {
        outcome.ending = Ending::NotAsWanted;
        return outcome;
    }
    outcome.steps = applyChanges(session, c, password);
    Step failed;
    outcome.after = readReported(session, c.entry.mac, failed);
    if (!outcome.after) {
        outcome.ending = Ending::NoAnswer;
        return outcome;
    }
    outcome.differences = differences(c.entry, c.now, *outcome.after);
    bool unanswered = false, refused = !outcome.differences.empty();
    for (const Step& step : outcome.steps) {
        if (!step.acked()) {
            (step.reply || !step.toolRefusal.empty() ? refused : unanswered) = true;
        }
    }
    outcome.ending = refused      ? Ending::NotAsWanted
                     : unanswered ? Ending::NoAnswer
                                  : Ending::AsWanted;
    return outcome;
}

int exitStatus(const std::vector<Ending>& endings) {
    int status = ExitAck;
    for (Ending e : endings) {
        if (e == Ending::NotAsWanted) {
            return ExitNak;
        }
        if (e == Ending::NoAnswer) {
            status = ExitNoAnswer;
        }
    }
    return status;
}

int runApply(Session& session, const ApplyArguments& args) {
    const Options& options = session.options();
    std::vector<ManifestEntry> manifest;
    try {
        manifest = parseManifest(readManifestFile(args.manifest));
    } catch (const std::runtime_error& e) {
        return usageError(args.manifest + ": " + e.what());
    }

    std::vector<Controller> discovered;
    for (const Reply& reply : session.discover()) {
        discovered.push_back(decodePing(reply.packet));
    }
    std::map<MacAddress, Reported> reported;
    for (const ManifestEntry& entry : manifest) {
        const bool answered =
            std::any_of(discovered.begin(), discovered.end(),
                        [&entry](const Controller& c) { return c.mac == entry.mac; });
        Step failed;
        if (answered) {
            if (auto r = readReported(session, entry.mac, failed)) {
                reported[entry.mac] = *r;
            }
        }
    }
    const Plan plan = makePlan(manifest, reported, discovered, args.force);
    const bool anyIp = std::any_of(plan.controllers.begin(), plan.controllers.end(),
                                   [](const ControllerPlan& c) { return c.entry.ip.has_value(); });
    if (!options.json) {
        std::cout << planText(plan, anyIp) << std::flush;
    }

    std::vector<Ending> endings(plan.silent.size(), Ending::NoAnswer);
    std::vector<Outcome> outcomes;
    if (args.dryRun) {
        for (const ControllerPlan& c : plan.controllers) {
            endings.push_back(c.blocked.empty() ? Ending::AsWanted : Ending::NotAsWanted);
        }
    } else {
        std::optional<PasswordHash> password;
        if (plan.needsPassword()) {
            try {
                password = hashPassword(readPassword(
                    args.password,
                    "Root password: ", plan.setsPassword() ? Confirm::Twice : Confirm::Once));
            } catch (const PasswordError& e) {
                return usageError(e.what());
            }
        }
        std::string text = "Applying and reading back:\n";
        int asWanted = 0;
        for (const ControllerPlan& c : plan.controllers) {
            outcomes.push_back(applyAndVerify(session, c, password));
            const Outcome& o = outcomes.back();
            endings.push_back(o.ending);
            asWanted += o.ending == Ending::AsWanted;
            text += formatMac(c.entry.mac) + ": ";
            if (!c.blocked.empty()) {
                text += "not as wanted: nothing was sent\n";
                continue;
            }
            if (o.ending == Ending::AsWanted) {
                text += "as wanted\n";
            } else if (!o.after) {
                text += "did not answer the read-back\n";
            } else {
                text += "not as wanted\n";
            }
            for (const Step& step : o.steps) {
                text += "  " + stepText(step) + "\n";
            }
            for (const std::string& d : o.differences) {
                text += "  " + d + "\n";
            }
        }
        text += std::to_string(asWanted) + " of " + std::to_string(manifest.size()) +
                " controllers as wanted";
        if (!plan.silent.empty()) {
            text += ", " + std::to_string(plan.silent.size()) + " did not answer";
        }
        if (!options.json) {
            std::cout << text << "\n";
        }
    }
    const int status = exitStatus(endings);
    if (options.json) {
        nlohmann::json controllers = nlohmann::json::array();
        for (std::size_t i = 0; i < plan.controllers.size(); ++i) {
            const ControllerPlan& c = plan.controllers[i];
            nlohmann::json items = nlohmann::json::array();
            for (const PlanItem& item : c.items) {
                nlohmann::json j{
                    {"item", item.name}, {"wanted", item.wanted}, {"state", stateName(item.state)}};
                j["now"] = item.now ? nlohmann::json(*item.now) : nlohmann::json(nullptr);
                if (!item.note.empty()) {
                    j["note"] = item.note;
                }
                items.push_back(j);
            }
            nlohmann::json j{{"mac", formatMac(c.entry.mac)},
                             {"line", c.entry.line},
                             {"answersOn", c.now.ping.ip},
                             {"items", items},
                             {"unlock", c.unlock},
                             {"lock", c.lock},
                             {"changes", c.changes()}};
            j["blocked"] = c.blocked.empty() ? nlohmann::json(nullptr) : nlohmann::json(c.blocked);
            if (i < outcomes.size()) {
                nlohmann::json steps = nlohmann::json::array();
                for (const Step& step : outcomes[i].steps) {
                    steps.push_back(stepJson(step));
                }
                j["steps"] = steps;
                j["asWanted"] = outcomes[i].ending == Ending::AsWanted;
                j["answeredReadBack"] = outcomes[i].after.has_value();
                j["differences"] = outcomes[i].differences;
            }
            controllers.push_back(j);
        }
        nlohmann::json silent = nlohmann::json::array();
        for (const ManifestEntry& e : plan.silent) {
            silent.push_back({{"mac", formatMac(e.mac)}, {"line", e.line}});
        }
        nlohmann::json unlisted = nlohmann::json::array();
        for (const Controller& c : plan.unlisted) {
            unlisted.push_back(toJson(c));
        }
        nlohmann::json document{{"manifest", args.manifest},  {"dryRun", args.dryRun},
                                {"controllers", controllers}, {"silent", silent},
                                {"unlisted", unlisted},       {"exitStatus", status}};
        if (anyIp) {
            document["note"] = kIpNote;
        }
        std::cout << dumpJson(document);
    }
    return status;
}

void setUp(CommandTable& table) {
    auto args = std::make_shared<ApplyArguments>();
    CLI::App* apply =
        table.add("apply", "Bring the controllers of a manifest (CSV or JSON) to what it lists",
                  CommandTable::Addressed::No,
                  [args](Session& s, const MacAddress&) { return runApply(s, *args); });
    apply->add_option("manifest", args->manifest, "CSV file with a header row, or JSON array")
        ->required();
    apply->add_flag("--dry-run", args->dryRun, "Print the plan and send nothing");
    apply->add_flag("--force", args->force,
                    "Store a static address even when another controller answers on it");
    addPasswordOptions(apply, args->password);
    apply->footer(
        "Columns (CSV) or keys (JSON): mac, hostName, comment, ip (dhcp or ADDRESS/PREFIX),\n"
        "gateway, dns, protectReboot (on/off), locked (on/off). What a row leaves out (an\n"
        "empty cell, an absent or null key) stays as the controller has it.\n"
        "A locked controller is unlocked for the changes and locked again. The password is\n"
        "typed at the terminal without echo unless a file or standard input is named; it is\n"
        "never an argument. Only its hash is sent.\n"
        "Stored IP settings cannot be read back: they are sent whenever a row gives them, and\n"
        "the \"IP configured\" flag is checked.\n"
        "Exit status: 0 every controller of the manifest ended as wanted (--dry-run: answered\n"
        "and can be changed), 1 one did not, 2 a bad manifest (nothing is sent), 3 one did not\n"
        "answer.");
}

const CommandGroup kGroup(70, setUp);

}  // namespace
}  // namespace tesselcfg
