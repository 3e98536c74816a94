#include "tools/tesselcfg/ProvisioningPlan.h"

#include <algorithm>

#include "tools/tesselcfg/DiscoveryNotes.h"
#include "tools/tesselcfg/IpSettings.h"
#include "tools/tesselcfg/PrintableText.h"

namespace tesselcfg {
namespace {

// Texts in the differences may come from the controller.
std::string quoted(const std::string& text) {
    return "\"" + printable(text) + "\"";
}
const char* onOff(bool on) {
    return on ? "on" : "off";
}
const char* lockText(bool locked) {
    return locked ? "locked" : "unlocked";
}

// The comment as the controller reports it, none when it cannot be read back.
std::optional<std::string> commentOf(const Reported& r) {
    if (!r.identity.commentKnown) {
        return std::nullopt;
    }
    return areaText(r.identity.comment.data(), r.identity.comment.size());
}

std::string commentText(const Reported& r) {
    auto comment = commentOf(r);
    return comment ? quoted(*comment) : "too long to be read back";
}

ControllerPlan planFor(const ManifestEntry& entry, const Reported& now,
                       const std::vector<Sighting>& sightings, bool force) {
    ControllerPlan plan;
    plan.entry = entry;
    plan.now = now;
    IpChange change;
    bool ipConfig = false;
    const auto item = [&plan](const char* name, const std::optional<std::string>& current,
                              const std::string& wanted, bool differs, bool text = false) {
        plan.items.push_back(PlanItem{name, current, wanted,
                                      differs ? ItemState::Change : ItemState::Right, text, ""});
        return differs;
    };
    if (entry.hostName) {
        if (item("host name", now.ping.hostName, *entry.hostName,
                 now.ping.hostName != *entry.hostName, true)) {
            change.hostName = entry.hostName;
            ipConfig = true;
        }
    }
    if (entry.comment) {
        if (item("comment", commentOf(now), *entry.comment, commentOf(now) != entry.comment,
                 true)) {
            change.comment = entry.comment;
            ipConfig = true;
        }
    }
    if (entry.ip) {
        plan.items.push_back(
            PlanItem{"IP settings", std::nullopt, ipSettingsText(*entry.ip), ItemState::Send, false,
                     std::string("IP configured: ") + (now.ping.ipConfigured ? "yes" : "no")});
        change.mode = entry.ip->mode;
        change.address = entry.ip->address;
        change.gateway = entry.ip->gateway;
        change.dns = entry.ip->dns;
        ipConfig = true;
    }
    if (entry.protectReboot) {
        if (item("reboot protection", onOff(now.protectReboot), onOff(*entry.protectReboot),
                 now.protectReboot != *entry.protectReboot)) {
            plan.protectReboot = entry.protectReboot;
        }
    }
    const bool lockedAtEnd = entry.locked.value_or(now.ping.locked);
    if (entry.locked) {
        item("lock", lockText(now.ping.locked), lockText(*entry.locked),
             now.ping.locked != *entry.locked);
    }
    if (ipConfig) {
        plan.ipConfig = change;
    }
    plan.unlock = now.ping.locked && (ipConfig || plan.protectReboot || !lockedAtEnd);
    plan.lock = lockedAtEnd && (plan.unlock || !now.ping.locked);

    if (ipConfig && !change.comment && !now.identity.commentKnown) {
        plan.blocked =
            "its comment is too long to be read back, so it cannot be sent back unchanged; "
            "give a comment in the manifest";
    }
    if (entry.ip && entry.ip->mode == IpMode::Static && !force) {
        if (auto holder = holderOf(entry.ip->address.address, sightings, entry.mac)) {
            plan.blocked = "controller " + formatMac(holder->mac) + " answers on " + holder->ip +
                           " already (--force stores it anyway)";
        }
    }
    return plan;
}

}  // namespace

bool Plan::needsPassword() const {
    return std::any_of(controllers.begin(), controllers.end(),
                       [](const ControllerPlan& c) { return c.changes() && (c.unlock || c.lock); });
}

bool Plan::setsPassword() const {
    return std::any_of(controllers.begin(), controllers.end(), [](const ControllerPlan& c) {
        return c.changes() && c.lock && !c.now.ping.locked;
    });
}

Plan makePlan(const std::vector<ManifestEntry>& manifest,
              const std::map<MacAddress, Reported>& reported,
              const std::vector<Controller>& discovered, bool force) {
    std::vector<Sighting> sightings;
    for (const Controller& c : discovered) {
        sightings.push_back(Sighting{c, std::nullopt});
    }
    Plan plan;
    for (const ManifestEntry& entry : manifest) {
        auto found = reported.find(entry.mac);
        if (found == reported.end()) {
            plan.silent.push_back(entry);
        } else {
            plan.controllers.push_back(planFor(entry, found->second, sightings, force));
        }
    }
    for (const Controller& c : discovered) {
        const bool listed = std::any_of(manifest.begin(), manifest.end(),
                                        [&c](const ManifestEntry& e) { return e.mac == c.mac; });
        if (!listed) {
            plan.unlisted.push_back(c);
        }
    }
    return plan;
}

std::vector<std::string> differences(const ManifestEntry& entry, const Reported& before,
                                     const Reported& after) {
    std::vector<std::string> found;
    if (entry.hostName && after.ping.hostName != *entry.hostName) {
        found.push_back("host name is " + quoted(after.ping.hostName) + ", not " +
                        quoted(*entry.hostName));
    }
    if (entry.comment && commentOf(after) != entry.comment) {
        found.push_back("comment is " + commentText(after) + ", not " + quoted(*entry.comment));
    }
    if (entry.ip && !after.ping.ipConfigured) {
        found.push_back("no IP settings are stored (\"IP configured\" is no)");
    }
    if (entry.protectReboot && after.protectReboot != *entry.protectReboot) {
        found.push_back(std::string("reboot protection is ") + onOff(after.protectReboot) +
                        ", not " + onOff(*entry.protectReboot));
    }
    const bool locked = entry.locked.value_or(before.ping.locked);
    if (after.ping.locked != locked) {
        found.push_back(std::string("it is ") + lockText(after.ping.locked) + ", not " +
                        lockText(locked));
    }
    return found;
}

}  // namespace tesselcfg
