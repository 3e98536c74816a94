// The exchanges of apply: reading what a controller reports, and sending one controller's
// changes.
#pragma once

#include <optional>
#include <vector>

#include "tools/tesselcfg/ControllerChanges.h"
#include "tools/tesselcfg/ProvisioningPlan.h"

namespace tesselcfg {

// Two Pings (host name, lock, "IP configured", the comment as far as it can be read back)
// and SpQuery (reboot protection).
std::optional<Reported> readReported(Session& session, const MacAddress& mac, Step& failed);

// In order: unlock, IpConfig, SpConfig, lock; each as the plan says. Nothing more is sent
// when the unlock is not acknowledged. A controller unlocked for the changes is locked
// again also when a change between failed. Halt-on-error cannot be read back and goes as on,
// its default, with the reboot protection.
std::vector<Step> applyChanges(Session& session, const ControllerPlan& plan,
                               const std::optional<PasswordHash>& password);

}  // namespace tesselcfg
