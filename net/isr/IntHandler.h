// The base of a device's interrupt work, as the interrupt manager and the polling manager
// call it. Drivers derive from it.
#pragma once

#include <cstdint>

namespace rxfwk_isr {

class IntHandler {
public:
    // The device's interrupt work: `irq` is the line when the interrupt manager calls, 0
    // when the polling thread does.
    virtual void Service(std::uint32_t irq) = 0;
    // Whether the device has work for Service. The base answers false.
    virtual bool Poll();

protected:
    // Handlers belong to their drivers and are never deleted through this class.
    ~IntHandler() = default;
};

}  // namespace rxfwk_isr
