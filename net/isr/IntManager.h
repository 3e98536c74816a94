// The interrupt manager: handlers registered for IRQ lines, served through the kernel's
// hook chain.
#pragma once

#include <cstdint>

#include "net/isr/IntHandler.h"

namespace rxfwk_isr {

class IntManager {
public:
    // The one manager, made on first use and never destroyed.
    static IntManager* Instance();

    // Records the pair and hooks the handler's Service on the line (priority 0). False for
    // a pair recorded already, and when the kernel refuses the hook (a line above 15); the
    // pair then stays recorded.
    bool Register(IntHandler* handler, std::uint8_t irq);
    // Forgets every pair of the handler and unhooks it; true when there was one. A Service
    // running on another thread has returned when this does.
    bool Unregister(IntHandler* handler);

    struct Impl;

private:
    IntManager();
    Impl* impl_;
};

}  // namespace rxfwk_isr
