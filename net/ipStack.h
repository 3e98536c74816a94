// The process-wide IP stack service as the rest of the application asks it: its devices and
// the current address.
#pragma once

#include "net/iMultiDeviceIPStack.h"

namespace nIPStack {

// tIPStack::instance(), unless a test installed another.
iMultiDeviceIPStack& ipStack();

// Tests: answer another stack (null restores the program's); the caller keeps ownership.
void installIPStack(iMultiDeviceIPStack* stack);

}  // namespace nIPStack
