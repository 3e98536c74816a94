// Taking back console output: a progress text replaced by its result in the same place.
#pragma once

#include "kernel/boot/Console.h"

namespace nZUEmbCfg {

// Moves the cursor to `position`, blanks what lies between it and where the cursor was, and
// leaves the cursor at `position`. The console is standard output. On a plain stream, where
// nothing printed can be taken back, only the cursor is moved.
void clearBackTo(COORD position);

}  // namespace nZUEmbCfg
