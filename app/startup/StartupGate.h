// Where start-up and a power-off meet: once a power-off has begun, start-up neither reads
// the reboot record nor starts the services, so an early power-off leaves the record for
// the next boot and loads no drivers on its way out.
#pragma once

#include <functional>

#include "kernel/threads/Sync.h"

namespace rx_fwk {

class StartupGate {
public:
    StartupGate();
    ~StartupGate();
    StartupGate(const StartupGate&) = delete;
    StartupGate& operator=(const StartupGate&) = delete;

    static StartupGate& instance();

    // Runs `step` unless a power-off has begun; a power-off waits for a step under way.
    // False when the step did not run.
    bool run(const std::function<void()>& step);
    // As run, and from then on a power-off must stop the services.
    bool beginServices();
    // Marks the power-off; true when the services may have started.
    bool beginPowerOff();

private:
    CRITICAL_SECTION lock_;
    bool poweringOff_ = false;
    bool servicesBegun_ = false;
};

}  // namespace rx_fwk
