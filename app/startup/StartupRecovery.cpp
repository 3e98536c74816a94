// Start-up recovery decisions.
#include "app/startup/StartupRecovery.h"

#include "app/startup/StaticNetworkSettings.h"
#include "config/ConfigManager.h"

namespace rx_fwk {

Recovery recoveryAfterSystemErrors(std::uint32_t systemErrorReboots, ConfigManager& settings) {
    if (systemErrorReboots <= 2 || !settings.getBool("StartUp", "YouOnlyLiveTwice", true)) {
        return Recovery::None;
    }
    return hasStaticIPAddress(settings) ? Recovery::ClearNetwork : Recovery::Halt;
}

void applyResetSwitch(bool switchOn, ConfigManager& settings) {
    if (!switchOn) {
        return;
    }
    clearStaticNetworkSettings(settings);
    settings.removeKey("Security", "RootPassword");
}

}  // namespace rx_fwk
