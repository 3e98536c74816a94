#include "tools/tesselcfg/ControllerChanges.h"

namespace tesselcfg {
namespace {

enum SpQueryFlags : std::uint16_t {
    SpQueryProtectReboot = 0x0002,
};

Step ask(Session& session, const CommandPacket& request, const std::string& what,
         Transport::Repeat repeat = Transport::Repeat::Allowed) {
    Step step;
    step.request = request.command;
    step.what = what;
    step.reply = session.ask(request, repeat);
    return step;
}

}  // namespace

bool Step::acked() const {
    return toolRefusal.empty() && reply && reply->packet.command == rx_fwk::ACK;
}

std::optional<Identity> readIdentity(Session& session, const MacAddress& mac, Step& failed,
                                     Controller* ping) {
    CommandPacket probes[2];
    for (int i = 0; i < 2; ++i) {
        Step step = ask(session, makeCommentProbe(mac, kCommentProbeFills[i]), "the ping");
        if (!step.acked()) {
            failed = step;
            return std::nullopt;
        }
        probes[i] = step.reply->packet;
    }
    if (ping != nullptr) {
        *ping = decodePing(probes[0]);
    }
    return identityFromProbes(probes[0], probes[1]);
}

Step changeIpConfig(Session& session, const MacAddress& mac, const IpChange& change) {
    Step failed;
    auto current = readIdentity(session, mac, failed);
    if (!current) {
        return failed;
    }
    if (!current->commentKnown && !change.comment) {
        Step refused;
        refused.request = rx_fwk::CmdIpConfig;
        refused.what = "the IP configuration";
        refused.toolRefusal =
            "the controller's comment is too long to be read back, so it cannot be sent back "
            "unchanged; replace it first with set-comment";
        return refused;
    }
    return ask(session, makeIpConfig(mac, *current, change), "the IP configuration");
}

std::optional<bool> readRebootProtection(Session& session, const MacAddress& mac, Step& failed) {
    Step step = ask(session, makeRequest(rx_fwk::CmdSpQuery, mac), "the state query");
    if (!step.acked()) {
        failed = step;
        return std::nullopt;
    }
    return (step.reply->packet.flags & SpQueryProtectReboot) != 0;
}

Step setProtection(Session& session, const MacAddress& mac, const Protection& protection) {
    return ask(session, makeSpConfig(mac, protection), "the protection settings");
}

Step lockController(Session& session, const MacAddress& mac, const PasswordHash& hash) {
    return ask(session, makeLock(mac, hash), "the lock", Transport::Repeat::Never);
}

Step unlockController(Session& session, const MacAddress& mac, const PasswordHash& hash) {
    return ask(session, makeUnlock(mac, hash), "the unlock");
}

}  // namespace tesselcfg
