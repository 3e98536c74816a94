// The last step of start-up: the final system state.
#pragma once

#include <cstdint>
#include <string>

namespace rx_fwk {

// Marks the state final, notifies the host after an install reboot (when `notify`),
// prints "System state: <state>", stores the state, tells the host's service manager that
// the controller is ready and blinks the status code for ever.
[[noreturn]] void reportSystemState(std::uint32_t code, std::string state, bool notify);

}  // namespace rx_fwk
