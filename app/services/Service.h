// A service of the controller, started and stopped in order by the registry.
#pragma once

namespace rx_fwk {

class Service {
public:
    virtual ~Service() = default;
    virtual bool start() = 0;
    virtual bool stop() = 0;
    virtual bool isRunning() = 0;
};

}  // namespace rx_fwk
