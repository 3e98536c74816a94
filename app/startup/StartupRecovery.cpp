// Start-up recovery decisions.
#include "app/startup/StartupRecovery.h"

#include "config/ConfigManager.h"
#include "net/iMultiDeviceIPConfig.h"

namespace rx_fwk {

Recovery recoveryAfterSystemErrors(std::uint32_t systemErrorReboots, ConfigManager& settings,
                                   IPConfigAccess network) {
    if (systemErrorReboots <= 2 || !settings.getBool("StartUp", "YouOnlyLiveTwice", true)) {
        return Recovery::None;
    }
    return network().isIPConfigured() ? Recovery::ClearNetwork : Recovery::Halt;
}

void applyResetSwitch(bool switchOn, ConfigManager& settings, IPConfigAccess network) {
    if (!switchOn) {
        return;
    }
    network().clearTCPStackConfig();
    settings.removeKey("Security", "RootPassword");
}

}  // namespace rx_fwk
