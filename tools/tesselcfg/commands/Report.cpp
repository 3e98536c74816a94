#include "tools/tesselcfg/commands/Report.h"

#include <iostream>
#include <utility>

#include "tools/tesselcfg/Output.h"

namespace tesselcfg {

void print(const Options& options, const nlohmann::json& json, const std::string& text) {
    std::cout << (options.json ? dumpJson(json) : text);
}

int noAnswer(const std::string& what) {
    std::cerr << "tesselcfg: no controller answered " << what << "\n";
    return ExitNoAnswer;
}

int usageError(const std::string& message) {
    std::cerr << "tesselcfg: " << message << "\n";
    return ExitUsage;
}

int failure(const std::string& message) {
    std::cerr << "tesselcfg: " << message << "\n";
    return ExitNak;
}

int refused(const Options& options, std::uint8_t, const CommandPacket& reply, Refusal refusal) {
    nlohmann::json nak{{"reason", refusal.reason}};
    nak["status"] = refusal.status ? nlohmann::json(*refusal.status) : nlohmann::json(nullptr);
    nak["name"] = refusal.status ? nlohmann::json(refusal.name) : nlohmann::json(nullptr);
    nlohmann::json j{{"mac", formatMac(macOf(reply))}, {"nak", nak}};
    print(options, j, refusal.text() + "\n");
    return ExitNak;
}

int refused(const Options& options, std::uint8_t request, const CommandPacket& reply) {
    return refused(options, request, reply, refusalOf(request, reply));
}

int outcome(const Options& options, std::uint8_t request, const std::optional<Reply>& reply,
            const std::string& what, const std::string& done, nlohmann::json json) {
    if (!reply) {
        return noAnswer(what);
    }
    if (reply->packet.command != rx_fwk::ACK) {
        return refused(options, request, reply->packet);
    }
    if (json.is_null()) {
        json = nlohmann::json::object();
    }
    json["mac"] = formatMac(macOf(reply->packet));
    json["ack"] = true;
    print(options, json, done + "\n");
    return ExitAck;
}

int outcome(const Options& options, const Step& step, const std::string& done,
            nlohmann::json json) {
    if (!step.toolRefusal.empty()) {
        return failure(step.toolRefusal);
    }
    return outcome(options, step.request, step.reply, step.what, done, std::move(json));
}

int stepFailure(const Options& options, const Step& step) {
    if (!step.toolRefusal.empty()) {
        return failure(step.toolRefusal);
    }
    if (!step.reply) {
        return noAnswer(step.what);
    }
    return refused(options, step.request, step.reply->packet);
}

}  // namespace tesselcfg
