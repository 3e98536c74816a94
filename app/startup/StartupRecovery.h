// What start-up does about a pressed reset switch and about repeated failed boots.
#pragma once

#include <cstdint>

namespace nIPStack {
class iMultiDeviceIPConfig;
}

namespace rx_fwk {

class ConfigManager;

// The IP configuration is asked for only when a step needs it, since its first use builds it.
using IPConfigAccess = nIPStack::iMultiDeviceIPConfig& (*)();

enum class Recovery {
    None,          // start normally
    ClearNetwork,  // drop the static network settings, then start
    Halt,          // nothing left to try: stop before starting anything
};

// After more than two system-error reboots in a row, with [StartUp] YouOnlyLiveTwice on
// (the default): clear a static address if there is one, otherwise halt.
Recovery recoveryAfterSystemErrors(std::uint32_t systemErrorReboots, ConfigManager& settings,
                                   IPConfigAccess network);

// Reset switch 1: the static network settings and the root password go.
void applyResetSwitch(bool switchOn, ConfigManager& settings, IPConfigAccess network);

}  // namespace rx_fwk
