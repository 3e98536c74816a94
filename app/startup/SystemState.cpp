// Final system state report.
#include "app/startup/SystemState.h"

#include <cstdio>

#include "app/services/EmbeddedServices.h"
#include "app/services/EmbeddedTarget.h"
#include "kernel/boot/ServiceManager.h"
#include "kernel/threads/Thread.h"
#include "kernel/time/Time.h"

namespace rx_fwk {

void reportSystemState(std::uint32_t code, std::string state, bool notify) {
    EmbeddedServices& services = EmbeddedServices::instance();
    services.setStateFinal(true);
    if (notify) {
        services.notifyHost();
    }
    std::printf("\nSystem state: %s\n", state.c_str());
    std::fflush(stdout);
    services.setSystemState(state);
    TovServiceReady(state.c_str());
    EmbeddedTarget::instance().blinkStatusForever(static_cast<int>(code));
    // Only reached on a platform whose blinking returns.
    for (;;) {
        SuspendThread(GetCurrentThread());
        Sleep(INFINITE);
    }
}

}  // namespace rx_fwk
