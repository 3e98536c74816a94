// Start-up steps that a power-off must not overlap.
#include "app/startup/StartupGate.h"

#include "config/CriticalSectionLock.h"

namespace rx_fwk {

StartupGate::StartupGate() {
    InitializeCriticalSection(&lock_);
}

StartupGate::~StartupGate() {
    DeleteCriticalSection(&lock_);
}

StartupGate& StartupGate::instance() {
    static StartupGate* gate = new StartupGate();  // lives until the process ends
    return *gate;
}

bool StartupGate::run(const std::function<void()>& step) {
    CriticalSectionLock hold(lock_);
    if (poweringOff_) {
        return false;
    }
    step();
    return true;
}

bool StartupGate::beginServices() {
    return run([this] { servicesBegun_ = true; });
}

bool StartupGate::beginPowerOff() {
    CriticalSectionLock hold(lock_);
    poweringOff_ = true;
    return servicesBegun_;
}

}  // namespace rx_fwk
