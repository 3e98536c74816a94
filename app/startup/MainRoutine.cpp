// The application's main routine: start the services and report the system state.
#include <cstdio>

#include "app/services/EmbeddedServices.h"
#include "app/services/EmbeddedTarget.h"
#include "kernel/Machine.h"

namespace rx_fwk {
namespace {

void powerOff() {
    EmbeddedServices::instance().stopAllServices();
}

int mainRoutine() {
    TovSetPowerOffHandler(&powerOff);
    EmbeddedServices& services = EmbeddedServices::instance();
    services.run();
    services.setStateFinal(true);
    services.notifyHost();
    std::printf("\nSystem state: %s\n", services.systemState().c_str());
    std::fflush(stdout);
    EmbeddedTarget::instance().blinkStatusForever(8);
    return 0;
}

struct Registration {
    Registration() { TovSetMainRoutine(&mainRoutine); }
} gRegistration;

}  // namespace
}  // namespace rx_fwk
