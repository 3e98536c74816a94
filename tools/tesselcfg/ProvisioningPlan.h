// What apply does to each controller of a manifest: compared with what the controllers
// report, item by item, and checked again afterwards.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "tools/tesselcfg/IpConfigRequest.h"
#include "tools/tesselcfg/Manifest.h"
#include "tools/tesselcfg/Protocol.h"

namespace tesselcfg {

// What a controller reports, as far as a manifest asks about it.
struct Reported {
    Controller ping;    // host name, lock, "IP configured", the address it answers on
    Identity identity;  // the comment as far as it can be read back
    bool protectReboot = false;
};

enum class ItemState {
    Right,   // already as wanted
    Change,  // differs: sent
    Send,    // cannot be read back: sent whenever the manifest gives it
};

struct PlanItem {
    std::string name;                // "host name", "comment", "IP settings", ...
    std::optional<std::string> now;  // none: cannot be read back
    std::string wanted;
    ItemState state = ItemState::Right;
    bool quoted = false;  // free text (host name, comment), shown in quotes
    std::string note;     // what the controller reports instead, where it cannot tell
};

struct ControllerPlan {
    ManifestEntry entry;
    Reported now;
    std::vector<PlanItem> items;
    std::optional<IpChange> ipConfig;   // host name, comment and IP settings in one IpConfig
    std::optional<bool> protectReboot;  // SpConfig
    bool unlock = false;                // locked now and something to change: unlocked first
    bool lock = false;                  // locked at the end (again, or for the first time)
    std::string blocked;                // not empty: nothing is sent to it, and why

    bool changes() const {
        return blocked.empty() && (ipConfig || protectReboot || unlock || lock);
    }
};

struct Plan {
    std::vector<ControllerPlan> controllers;  // in manifest order, those that answered
    std::vector<ManifestEntry> silent;        // in the manifest, but did not answer
    std::vector<Controller> unlisted;         // answered, but are not in the manifest

    bool needsPassword() const;
    // Whether a controller that has no password gets one (a typed password is then asked
    // twice).
    bool setsPassword() const;
};

// `reported` holds the controllers of the manifest that answered; `discovered` every
// controller that answered discovery. A static address that another controller answers on
// blocks its row unless `force`.
Plan makePlan(const std::vector<ManifestEntry>& manifest,
              const std::map<MacAddress, Reported>& reported,
              const std::vector<Controller>& discovered, bool force);

// What is not as the manifest wants it after apply, one text per item; `before` is what the
// controller reported when planned (a lock the row does not mention is kept).
std::vector<std::string> differences(const ManifestEntry& entry, const Reported& before,
                                     const Reported& after);

}  // namespace tesselcfg
