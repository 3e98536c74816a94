// enet: the controller's Ethernet devices and stack limits through AdvancedEnet. Sub-commands
// 8 and 10 set two values at once, so the tool reads the current pair first (7 or 9) and
// changes only what was asked.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

#include "tools/tesselcfg/AdvancedEnet.h"
#include "tools/tesselcfg/NumberText.h"
#include "tools/tesselcfg/commands/Report.h"

namespace tesselcfg {
namespace {

using namespace rx_fwk::enet;

// A controller reports its device count; the tool asks for at most this many MACs.
constexpr std::uint32_t kMostDevices = 64;
constexpr std::uint32_t kMostPollingInterval = 10000;

struct EnetArguments {
    std::string device;  // a device's MAC address
    std::string mode;
    std::string value;  // ADDRESS/PREFIX or a polling interval
    std::string sockets;
    std::string ttl;
};

// One AdvancedEnet conversation: the code from QueryCaps, then the sub-commands; the first
// thing that goes wrong becomes the exit status.
class Enet {
public:
    Enet(Session& session, const MacAddress& controller)
        : session_(session), controller_(controller) {}

    bool open() {
        auto caps = session_.ask(makeRequest(rx_fwk::CmdQueryCaps, controller_));
        if (!caps) {
            exit_ = noAnswer("the capability query");
            return false;
        }
        if (caps->packet.command != rx_fwk::QueryCapsReply) {
            exit_ = refused(options(), rx_fwk::CmdQueryCaps, caps->packet);
            return false;
        }
        auto code = codeOfExtension(caps->packet, kExtensionId);
        if (!code) {
            exit_ = failure("the controller has no AdvancedEnet");
            return false;
        }
        code_ = *code;
        return true;
    }

    CommandPacket request(std::uint32_t sub) const {
        return makeAdvancedEnet(controller_, code_, sub);
    }
    CommandPacket request(std::uint32_t sub, const MacAddress& device) const {
        CommandPacket r = request(sub);
        putDeviceMac(r, kP32, device);
        return r;
    }

    // The ACK, or none with the exit status set.
    std::optional<CommandPacket> ask(const CommandPacket& request) {
        auto reply = session_.ask(request);
        if (!reply) {
            exit_ = noAnswer("the AdvancedEnet request");
            return std::nullopt;
        }
        if (reply->packet.command != rx_fwk::ACK) {
            exit_ = refuse(reply->packet);
            return std::nullopt;
        }
        return reply->packet;
    }

    // The final change: ACK prints `done`.
    int change(const CommandPacket& request, const std::string& done, nlohmann::json json) {
        auto reply = session_.ask(request);
        if (reply && reply->packet.command != rx_fwk::ACK) {
            return refuse(reply->packet);
        }
        return outcome(options(), code_, reply, "the AdvancedEnet request", done, std::move(json));
    }

    const Options& options() const { return session_.options(); }
    int exitStatus() const { return exit_; }

private:
    int refuse(const CommandPacket& reply) {
        Refusal refusal = refusalOf(code_, reply);
        switch (reply.status) {
            case rx_fwk::StatusUnsupported:
                refusal.reason = "the controller does not know this sub-command";
                break;
            case rx_fwk::StatusAccessDenied:
                refusal.reason = "the controller is locked (a root password is set)";
                break;
            case rx_fwk::StatusFailed:
                refusal.reason =
                    "refused: no device of the controller has that MAC address, or the "
                    "setting could not be stored";
                break;
        }
        return refused(options(), code_, reply, refusal);
    }

    Session& session_;
    MacAddress controller_;
    std::uint8_t code_ = 0;
    int exit_ = ExitAck;
};

std::optional<MacAddress> deviceArgument(const std::string& text, int& exitStatus) {
    auto mac = parseMac(text);
    if (!mac) {
        exitStatus = usageError("not a MAC address: " + text);
    }
    return mac;
}

int runDevices(Enet& enet, const MacAddress& controller) {
    auto count = enet.ask(enet.request(DeviceCount));
    auto primary = count ? enet.ask(enet.request(GetPrimary)) : std::nullopt;
    if (!primary) {
        return enet.exitStatus();
    }
    const std::uint32_t n = get32(*count, kP32);
    const MacAddress primaryMac = deviceMacAt(*primary, kP32);
    nlohmann::json devices = nlohmann::json::array();
    std::string text = "Devices: " + std::to_string(n) + "\n";
    for (std::uint32_t i = 0; i < std::min(n, kMostDevices); ++i) {
        CommandPacket r = enet.request(DeviceMAC);
        put32(r, kP32, i);
        auto reply = enet.ask(r);
        if (!reply) {
            return enet.exitStatus();
        }
        const MacAddress mac = deviceMacAt(*reply, kP36);
        const bool isPrimary = mac == primaryMac;
        devices.push_back({{"index", i}, {"mac", formatMac(mac)}, {"primary", isPrimary}});
        char line[64];
        std::snprintf(line, sizeof line, "%3u  %s%s\n", i + 1, formatMac(mac).c_str(),
                      isPrimary ? "  primary" : "");
        text += line;
    }
    print(enet.options(), {{"mac", formatMac(controller)}, {"count", n}, {"devices", devices}},
          text);
    return ExitAck;
}

int runPrimary(Enet& enet, const MacAddress& controller, const EnetArguments& args) {
    if (args.device.empty()) {
        auto reply = enet.ask(enet.request(GetPrimary));
        if (!reply) {
            return enet.exitStatus();
        }
        const std::string mac = formatMac(deviceMacAt(*reply, kP32));
        print(enet.options(), {{"mac", formatMac(controller)}, {"primary", mac}},
              "Primary device: " + mac + "\n");
        return ExitAck;
    }
    int status = ExitAck;
    auto device = deviceArgument(args.device, status);
    if (!device) {
        return status;
    }
    return enet.change(enet.request(SetPrimary, *device),
                       "Primary device: " + formatMac(*device) + " (from the next start)",
                       {{"primary", formatMac(*device)}});
}

int runDevice(Enet& enet, const MacAddress& controller, const EnetArguments& args) {
    int status = ExitAck;
    auto device = deviceArgument(args.device, status);
    if (!device) {
        return status;
    }
    if (args.mode.empty()) {
        auto settings = enet.ask(enet.request(GetDevice, *device));
        auto caps = settings ? enet.ask(enet.request(DeviceCapabilities, *device)) : std::nullopt;
        if (!caps) {
            return enet.exitStatus();
        }
        const std::uint32_t mode = get32(*settings, kP40);
        const std::string address = dottedAddress(get32(*settings, kP44));
        const std::string mask = dottedAddress(get32(*settings, kP48));
        const std::uint32_t supported = get32(*caps, kP40);
        nlohmann::json modes = nlohmann::json::array();
        std::string names;
        for (std::uint32_t m : {kDisabled, kTCPIP, kDeterministic}) {
            if (supported & m) {
                modes.push_back(deviceModeName(m));
                names += (names.empty() ? "" : ", ") + deviceModeName(m);
            }
        }
        nlohmann::json j{{"mac", formatMac(controller)},
                         {"device", formatMac(*device)},
                         {"mode", deviceModeName(mode)},
                         {"supportedModes", modes}};
        std::string text = "Device " + formatMac(*device) + ": " + deviceModeName(mode);
        if (mode == kTCPIP) {
            j["address"] = address;
            j["subnetMask"] = mask;
            text += " " + address + " mask " + mask;
        }
        print(enet.options(), j, text + "\nSupported modes: " + names + "\n");
        return ExitAck;
    }

    CommandPacket r = enet.request(SetDevice, *device);
    nlohmann::json j{{"device", formatMac(*device)}, {"mode", args.mode}};
    std::string done = "Device " + formatMac(*device) + ": " + args.mode;
    if (args.mode == "tcpip") {
        auto subnet = parseAddressWithPrefix(args.value);
        if (!subnet) {
            return usageError("tcpip needs ADDRESS/PREFIX, for example 10.0.0.5/24");
        }
        const std::string problem = unusableHostAddress(*subnet);
        if (!problem.empty()) {
            return usageError(subnet->text() + ": " + problem);
        }
        put32(r, kP40, kTCPIP);
        put32(r, kP44, subnet->address);
        put32(r, kP48, subnet->mask);
        j["address"] = dottedAddress(subnet->address);
        j["subnetMask"] = dottedAddress(subnet->mask);
        done += " " + subnet->text();
    } else if (args.mode == "disabled" || args.mode == "deterministic") {
        if (!args.value.empty()) {
            return usageError(args.mode + " takes no address");
        }
        put32(r, kP40, args.mode == "disabled" ? kDisabled : kDeterministic);
    } else {
        return usageError("the mode is disabled, tcpip ADDRESS/PREFIX or deterministic");
    }
    return enet.change(r, done + " (from the next start)", j);
}

int runMedia(Enet& enet, const MacAddress& controller, const EnetArguments& args) {
    int status = ExitAck;
    auto device = deviceArgument(args.device, status);
    if (!device) {
        return status;
    }
    std::optional<std::uint32_t> wanted;
    if (!args.mode.empty()) {
        wanted = parseMediaMode(args.mode);
        if (!wanted) {
            return usageError(
                "media modes: auto, 10half, 10full, 100half, 100full, 1000half, "
                "1000full");
        }
    }
    auto modes = enet.ask(enet.request(GetModes, *device));
    if (!modes) {
        return enet.exitStatus();
    }
    if (!wanted) {
        auto caps = enet.ask(enet.request(DeviceCapabilities, *device));
        if (!caps) {
            return enet.exitStatus();
        }
        const std::uint32_t media = get32(*modes, kP40);
        const std::uint32_t supported = get32(*caps, kP44);
        const std::uint32_t preferred = get32(*caps, kP48);
        print(enet.options(),
              {{"mac", formatMac(controller)},
               {"device", formatMac(*device)},
               {"media", mediaModeName(media)},
               {"supported", mediaModeList(supported)},
               {"default", mediaModeName(preferred)}},
              "Media mode: " + mediaModeName(media) + " (supported: " + mediaModeList(supported) +
                  "; default " + mediaModeName(preferred) + ")\n");
        return ExitAck;
    }
    CommandPacket r = enet.request(SetModes, *device);
    put32(r, kP40, *wanted);
    put32(r, kP44, get32(*modes, kP44));
    put32(r, kP48, get32(*modes, kP48));
    return enet.change(r, "Media mode: " + mediaModeName(*wanted) + " (from the next start)",
                       {{"device", formatMac(*device)}, {"media", mediaModeName(*wanted)}});
}

int runOperation(Enet& enet, const MacAddress& controller, const EnetArguments& args) {
    int status = ExitAck;
    auto device = deviceArgument(args.device, status);
    if (!device) {
        return status;
    }
    std::uint32_t wanted = 0, interval = 0;
    if (args.mode == "interrupt") {
        if (!args.value.empty()) {
            return usageError("interrupt takes no interval");
        }
        wanted = kInterrupt;
    } else if (args.mode == "polling") {
        auto number = parseUnsigned(args.value, kMostPollingInterval);
        if (!number || *number == 0) {
            return usageError("polling needs an interval of 1 to 10000 milliseconds");
        }
        wanted = kPolling;
        interval = static_cast<std::uint32_t>(*number);
    } else if (!args.mode.empty()) {
        return usageError("the operation mode is interrupt or polling INTERVAL");
    }
    auto modes = enet.ask(enet.request(GetModes, *device));
    if (!modes) {
        return enet.exitStatus();
    }
    if (wanted == 0) {
        const std::uint32_t operation = get32(*modes, kP44);
        const std::uint32_t every = get32(*modes, kP48);
        nlohmann::json j{{"mac", formatMac(controller)},
                         {"device", formatMac(*device)},
                         {"operation", operationModeName(operation)}};
        std::string text = "Operation mode: " + operationModeName(operation);
        if (operation == kPolling) {
            j["pollingInterval"] = every;
            text += ", every " + std::to_string(every) + " ms";
        }
        print(enet.options(), j, text + "\n");
        return ExitAck;
    }
    CommandPacket r = enet.request(SetModes, *device);
    put32(r, kP40, get32(*modes, kP40));
    put32(r, kP44, wanted);
    put32(r, kP48, interval);
    nlohmann::json j{{"device", formatMac(*device)}, {"operation", operationModeName(wanted)}};
    std::string done = "Operation mode: " + operationModeName(wanted);
    if (wanted == kPolling) {
        j["pollingInterval"] = interval;
        done += ", every " + std::to_string(interval) + " ms";
    }
    return enet.change(r, done + " (from the next start)", j);
}

int runLimits(Enet& enet, const MacAddress& controller, const EnetArguments& args) {
    std::optional<std::uint64_t> sockets, ttl;
    if (!args.sockets.empty() && !(sockets = parseUnsigned(args.sockets, 0x7FFFFFFF))) {
        return usageError("not a number of sockets: " + args.sockets);
    }
    if (!args.ttl.empty() && !(ttl = parseUnsigned(args.ttl, 255))) {
        return usageError("not a time-to-live (0 to 255): " + args.ttl);
    }
    auto limits = enet.ask(enet.request(GetLimits));
    if (!limits) {
        return enet.exitStatus();
    }
    const auto currentSockets = static_cast<std::int32_t>(get32(*limits, kP32));
    const auto currentTtl = static_cast<std::int32_t>(get32(*limits, kP36));
    if (!sockets && !ttl) {
        print(enet.options(),
              {{"mac", formatMac(controller)}, {"sockets", currentSockets}, {"ttl", currentTtl}},
              "Sockets: " + std::to_string(currentSockets) +
                  "\nTime-to-live: " + std::to_string(currentTtl) + "\n");
        return ExitAck;
    }
    const auto newSockets = sockets ? static_cast<std::int32_t>(*sockets) : currentSockets;
    const auto newTtl = ttl ? static_cast<std::int32_t>(*ttl) : currentTtl;
    CommandPacket r = enet.request(SetLimits);
    put32(r, kP32, static_cast<std::uint32_t>(newSockets));
    put32(r, kP36, static_cast<std::uint32_t>(newTtl));
    return enet.change(r,
                       "Sockets: " + std::to_string(newSockets) +
                           ", time-to-live: " + std::to_string(newTtl) + " (from the next start)",
                       {{"sockets", newSockets}, {"ttl", newTtl}});
}

void setUp(CommandTable& table) {
    using A = CommandTable::Addressed;
    auto args = std::make_shared<EnetArguments>();
    struct Chosen {
        CLI::App* devices = nullptr;
        CLI::App* primary = nullptr;
        CLI::App* device = nullptr;
        CLI::App* media = nullptr;
        CLI::App* operation = nullptr;
        CLI::App* limits = nullptr;
    };
    auto chosen = std::make_shared<Chosen>();
    CLI::App* enet =
        table.add("enet", "Ethernet devices and stack limits of the controller (AdvancedEnet)",
                  A::ByMac, [args, chosen](Session& session, const MacAddress& controller) {
                      Enet conversation(session, controller);
                      if (!conversation.open()) {
                          return conversation.exitStatus();
                      }
                      if (chosen->devices->parsed()) {
                          return runDevices(conversation, controller);
                      }
                      if (chosen->primary->parsed()) {
                          return runPrimary(conversation, controller, *args);
                      }
                      if (chosen->device->parsed()) {
                          return runDevice(conversation, controller, *args);
                      }
                      if (chosen->media->parsed()) {
                          return runMedia(conversation, controller, *args);
                      }
                      if (chosen->operation->parsed()) {
                          return runOperation(conversation, controller, *args);
                      }
                      return runLimits(conversation, controller, *args);
                  });
    enet->require_subcommand(1);
    auto sub = [enet](const char* name, const char* description) {
        CLI::App* command = enet->add_subcommand(name, description);
        command->fallthrough();
        return command;
    };
    chosen->devices = sub("devices", "The number of devices and the MAC address of each");
    chosen->primary = sub("primary", "Show the primary device, or make another one primary");
    chosen->primary->add_option("device", args->device, "MAC address of the new primary device");
    chosen->device = sub("device",
                         "Show or set a device's mode: disabled, "
                         "tcpip ADDRESS/PREFIX, deterministic");
    chosen->device->add_option("device", args->device, "The device's MAC address")->required();
    chosen->device->add_option("mode", args->mode, "disabled, tcpip or deterministic");
    chosen->device->add_option("address", args->value, "ADDRESS/PREFIX, with tcpip");
    chosen->media = sub("media", "Show or set a device's media mode");
    chosen->media->add_option("device", args->device, "The device's MAC address")->required();
    chosen->media->add_option("mode", args->mode,
                              "auto, 10half, 10full, 100half, 100full, 1000half or 1000full");
    chosen->operation = sub("operation",
                            "Show or set a device's operation mode: interrupt, "
                            "or polling every INTERVAL milliseconds");
    chosen->operation->add_option("device", args->device, "The device's MAC address")->required();
    chosen->operation->add_option("mode", args->mode, "interrupt or polling");
    chosen->operation->add_option("interval", args->value, "Milliseconds, with polling");
    chosen->limits = sub("limits", "Show or set the socket limit and the time-to-live");
    chosen->limits->add_option("--sockets", args->sockets, "Most sockets the stack allows");
    chosen->limits->add_option("--ttl", args->ttl, "Time-to-live field value");
}

const CommandGroup kGroup(70, setUp);

}  // namespace
}  // namespace tesselcfg
