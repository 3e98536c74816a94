#include "tools/tesselcfg/ProvisioningSteps.h"

namespace tesselcfg {

std::optional<Reported> readReported(Session& session, const MacAddress& mac, Step& failed) {
    Reported reported;
    auto identity = readIdentity(session, mac, failed, &reported.ping);
    if (!identity) {
        return std::nullopt;
    }
    reported.identity = *identity;
    auto protectReboot = readRebootProtection(session, mac, failed);
    if (!protectReboot) {
        return std::nullopt;
    }
    reported.protectReboot = *protectReboot;
    return reported;
}

std::vector<Step> applyChanges(Session& session, const ControllerPlan& plan,
                               const std::optional<PasswordHash>& password) {
    std::vector<Step> steps;
    if (!plan.changes()) {
        return steps;
    }
    const MacAddress& mac = plan.entry.mac;
    if (plan.unlock) {
        steps.push_back(unlockController(session, mac, *password));
        if (!steps.back().acked()) {
            return steps;
        }
    }
    if (plan.ipConfig) {
        steps.push_back(changeIpConfig(session, mac, *plan.ipConfig));
    }
    if (plan.protectReboot) {
        steps.push_back(setProtection(session, mac, Protection{*plan.protectReboot, true}));
    }
    if (plan.lock) {
        steps.push_back(lockController(session, mac, *password));
    }
    return steps;
}

}  // namespace tesselcfg
