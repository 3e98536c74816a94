// Commands that act on the controller as a whole or on its disk: reset, await-install,
// protection, main-exe, chmod.
#include <iostream>
#include <memory>

#include "tools/tesselcfg/InstallReport.h"
#include "tools/tesselcfg/Requests.h"
#include "tools/tesselcfg/commands/PasswordOptions.h"
#include "tools/tesselcfg/commands/Report.h"
#include "tools/tesselcfg/commands/UsageErrors.h"

namespace tesselcfg {
namespace {

struct ResetArguments {
    bool install = false;
    double wait = 120;
    PasswordSource password;
};

struct ProtectionArguments {
    std::string reboot;
    std::string haltOnError;
};

struct ChmodArguments {
    std::string path;
    bool readOnly = false;
    bool writable = false;
};

Clock::time_point after(double seconds) {
    return Clock::now() + std::chrono::microseconds(static_cast<long long>(seconds * 1e6));
}

int printReport(const Options& options, const std::optional<InstallReport>& report, double wait,
                nlohmann::json json) {
    if (!report) {
        std::cerr << "tesselcfg: no controller reported its address within " << wait
                  << " seconds\n";
        return ExitNoAnswer;
    }
    json["newAddress"] = report->address;
    json["reportedFrom"] = report->sender;
    print(options, json, "New address: " + report->address + "\n");
    return ExitAck;
}

// The password a protected reset needs: given, or asked for when the controller's reboot
// protection is on and a root password is set. The exit status when it cannot be had.
std::optional<int> resetPassword(Session& session, const MacAddress& mac,
                                 const PasswordSource& source, std::optional<PasswordHash>& hash) {
    bool needed = passwordGiven(source);
    if (!needed) {
        Step failed;
        auto protectReboot = readRebootProtection(session, mac, failed);
        if (!protectReboot) {
            return stepFailure(session.options(), failed);
        }
        if (*protectReboot) {
            auto ping = session.ask(makeRequest(rx_fwk::CmdPing, mac));
            if (!ping) {
                return noAnswer("the ping");
            }
            needed = ping->packet.command == rx_fwk::ACK && decodePing(ping->packet).locked;
        }
    }
    if (needed) {
        try {
            hash = hashPassword(
                readPassword(source, "Root password (reboot protection is on): ", Confirm::Once));
        } catch (const PasswordError& e) {
            return usageError(e.what());
        }
    }
    return std::nullopt;
}

int runReset(Session& session, const MacAddress& mac, const ResetArguments& args) {
    const Options& options = session.options();
    // Listening first: the report must find the port open, and a port that is taken should
    // stop the tool before the controller reboots.
    std::unique_ptr<InstallReportListener> listener;
    if (args.install) {
        listener = std::make_unique<InstallReportListener>();
    }
    std::optional<PasswordHash> hash;
    if (auto stopped = resetPassword(session, mac, args.password, hash)) {
        return *stopped;
    }
    const ResetKind kind = args.install ? ResetKind::Install : ResetKind::Normal;
    // Sent once: a second Reset is refused as busy.
    auto reply = session.ask(makeReset(mac, kind, hash), Transport::Repeat::Never);
    if (!args.install || !reply || reply->packet.command != rx_fwk::ACK) {
        return outcome(options, rx_fwk::CmdReset, reply, "the reset",
                       "Resetting: the controller restarts in about 2 seconds");
    }
    const std::string host = dottedAddress(reply->localAddress);
    if (!options.json) {
        std::cout << "Install reboot: the controller reports its new address to " << host
                  << " (UDP port " << rx_fwk::kHostNotifyPort << "); waiting up to " << args.wait
                  << " seconds" << std::endl;
    }
    return printReport(options, listener->wait(after(args.wait)), args.wait,
                       {{"mac", formatMac(mac)}, {"ack", true}, {"install", true}, {"host", host}});
}

int runAwaitInstall(const Options& options, double wait) {
    InstallReportListener listener;
    return printReport(options, listener.wait(after(wait)), wait, nlohmann::json::object());
}

int runProtection(Session& session, const MacAddress& mac, const ProtectionArguments& args) {
    if (args.reboot.empty() && args.haltOnError.empty()) {
        return usageError("give --reboot on|off, --halt-on-error on|off, or both");
    }
    Protection protection;
    std::string notes;
    if (args.reboot.empty()) {
        Step failed;
        auto current = readRebootProtection(session, mac, failed);
        if (!current) {
            return stepFailure(session.options(), failed);
        }
        protection.protectReboot = *current;
        notes += "\nReboot protection kept as the controller reports it.";
    } else {
        protection.protectReboot = args.reboot == "on";
    }
    if (args.haltOnError.empty()) {
        protection.haltOnError = true;
        notes +=
            "\nHalt-on-error sent as on, its default: this image cannot report the setting, so "
            "it cannot be kept.";
    } else {
        protection.haltOnError = args.haltOnError == "on";
    }
    const auto onOff = [](bool on) { return on ? "on" : "off"; };
    return outcome(
        session.options(), setProtection(session, mac, protection),
        std::string("Reboot protection ") + onOff(protection.protectReboot) + ", halt on error " +
            onOff(protection.haltOnError) + notes,
        {{"protectReboot", protection.protectReboot}, {"haltOnError", protection.haltOnError}});
}

int runMainExe(Session& session, const MacAddress& mac, const std::string& executable) {
    const std::string problem = pathProblem(executable);
    if (!problem.empty()) {
        return usageError(problem);
    }
    return outcome(session.options(), rx_fwk::CmdMainExe, session.ask(makeMainExe(mac, executable)),
                   "the main executable change",
                   executable.empty() ? "Main executable cleared"
                                      : "Main executable for the next boot: " + executable,
                   {{"mainExe", executable}});
}

int runChmod(Session& session, const MacAddress& mac, const ChmodArguments& args) {
    std::string problem = pathProblem(args.path);
    if (args.path.empty()) {
        problem = "the path is empty";
    }
    if (!problem.empty()) {
        return usageError(problem);
    }
    const FileAccess access = args.readOnly ? FileAccess::ReadOnly : FileAccess::Writable;
    return outcome(session.options(), rx_fwk::CmdChmod,
                   session.ask(makeChmod(mac, args.path, access)), "the attribute change",
                   args.path + (args.readOnly ? " is read-only" : " is writable"),
                   {{"path", args.path}, {"readOnly", args.readOnly}});
}

void setUp(CommandTable& table) {
    using A = CommandTable::Addressed;
    auto reset = std::make_shared<ResetArguments>();
    CLI::App* resetCommand = table.add(
        "reset", "Reboot the controller (--install: and wait for its new address)", A::ByMac,
        [reset](Session& s, const MacAddress& mac) { return runReset(s, mac, *reset); });
    resetCommand->add_flag("--install", reset->install,
                           "Install reboot: the controller reports its new address back");
    resetCommand->add_option("--wait", reset->wait, "Seconds to wait for the report")
        ->check(positiveSeconds())
        ->capture_default_str();
    addPasswordOptions(resetCommand, reset->password);
    resetCommand->footer(
        "A controller whose reboot protection is on and that is locked needs the root "
        "password: typed at the terminal without echo, or from --password-file or "
        "--password-stdin. A controller refuses an install reboot once it has booted.");

    auto wait = std::make_shared<double>(120);
    table
        .add("await-install", "Wait for a controller's report after an install reboot", A::No,
             [wait](Session& s, const MacAddress&) { return runAwaitInstall(s.options(), *wait); })
        ->add_option("--wait", *wait, "Seconds to wait for the report")
        ->check(positiveSeconds())
        ->capture_default_str();

    auto protection = std::make_shared<ProtectionArguments>();
    CLI::App* protectionCommand =
        table.add("protection", "Set reboot protection and halt-on-error", A::ByMac,
                  [protection](Session& s, const MacAddress& mac) {
                      return runProtection(s, mac, *protection);
                  });
    protectionCommand->add_option("--reboot", protection->reboot, "Reboot protection")
        ->check(CLI::IsMember({"on", "off"}));
    protectionCommand->add_option("--halt-on-error", protection->haltOnError, "Halt on error")
        ->check(CLI::IsMember({"on", "off"}));
    protectionCommand->footer(
        "Both are set at once. Reboot protection not given is kept as the controller reports "
        "it; halt-on-error cannot be read back and is sent as on, its default, when not "
        "given.");

    auto executable = std::make_shared<std::string>();
    table
        .add("main-exe", "Choose the main executable for the next boot", A::ByMac,
             [executable](Session& s, const MacAddress& mac) {
                 return runMainExe(s, mac, *executable);
             })
        ->add_option("path", *executable, "Executable on the controller (empty clears it)")
        ->required();

    auto chmod = std::make_shared<ChmodArguments>();
    CLI::App* chmodCommand =
        table.add("chmod", "Set or clear a file's read-only attribute", A::ByMac,
                  [chmod](Session& s, const MacAddress& mac) { return runChmod(s, mac, *chmod); });
    chmodCommand->add_option("path", chmod->path, "File on drive C:")->required();
    CLI::Option_group* access = chmodCommand->add_option_group("access");
    access->add_flag("--read-only", chmod->readOnly, "Make it read-only");
    access->add_flag("--writable", chmod->writable, "Make it writable");
    access->require_option(1);
}

const CommandGroup kGroup(40, setUp);

}  // namespace
}  // namespace tesselcfg
